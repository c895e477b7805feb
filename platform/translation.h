#pragma once

// The program's own texts in the user's language. Texts are written in English where they are used;
// the translator that start-up installs (from the program's translation catalogues) gives each in the
// user's language, and without one, or for a text it does not know, the English text stands. Texts
// that other programs read (the trace, the event log, JSON fields and values, profile keys) never
// pass through here.

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Marks a text of a static table for the catalogues without translating it where it stands; the code
// that shows it passes it through translate() with the same context. Spelled as the catalogue tools
// know it, and the same as the toolkit's own definition.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

namespace morvane::platform {

// Gives `source` of `context` in the user's language; an empty result means "no translation".
using Translator = std::function<std::string(const char* context, const char* source)>;

// Installs the program-wide translator, before any thread of the program's own starts; an empty one
// restores the English texts.
void setTranslator(Translator translator);

// `source` in the user's language, or `source` itself. Safe from any thread once start-up is over.
std::string translate(const char* context, const char* source);

// `pattern` with each of %1 ... %9 replaced by its argument, in one pass: an argument that holds "%2"
// stays as it is. A marker without an argument stays too.
std::string withArguments(std::string_view pattern, std::initializer_list<std::string_view> arguments);
std::string withArguments(std::string_view pattern, const std::vector<std::string>& arguments);

// The arguments that make `text` from `pattern` (withArguments backwards; each marker stands for the
// shortest text that lets the rest match), or none when `text` is not made from it. For texts kept in
// English (the trace, the JSON events) and shown in the user's language.
std::optional<std::vector<std::string>> argumentsOf(std::string_view pattern, std::string_view text);

} // namespace morvane::platform
