#pragma once

// Chooses the user's language at start-up and installs its catalogue: "translations/morvane_LL.qm" in
// the program directory, made from translations/morvane_LL.ts when the program is built. English is
// the language of the sources and needs no catalogue.

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QCoreApplication;

namespace morvane::app {

// Reads one environment variable; null when it is not set.
using EnvironmentReader = std::function<const char*(const char*)>;

// The languages the user asks for, most wanted first: the colon-separated list of LANGUAGE, then the
// first set one of LC_ALL, LC_MESSAGES and LANG. Each locale name gives its language and territory
// and then its language alone ("de_AT.UTF-8@euro" gives "de_AT", "de"); "C" and "POSIX" ask for
// English.
std::vector<std::string> wantedLanguages(const EnvironmentReader& environment);

// The catalogue in `folder` (ending in a slash) for the first wanted language that has one, or none
// when English comes first or no language fits.
std::optional<std::string> catalogueFor(const std::string& folder, const std::vector<std::string>& languages);

// Installs the catalogue for the user's language from `programDirectory`: on `application` when one
// is given (the window, and the toolkit's own catalogue beside it when the system has one), and as
// the translator of the program's own texts (platform::translate). Returns the catalogue's path, or
// none when the program speaks English.
std::optional<std::string> installTranslations(const std::string& programDirectory,
                                               QCoreApplication* application,
                                               const EnvironmentReader& environment);

} // namespace morvane::app
