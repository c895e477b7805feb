#include "app/translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

#include "platform/translation.h"

namespace morvane::app {

namespace {

constexpr const char* kCatalogueFolder = "translations/";
constexpr const char* kCataloguePrefix = "morvane_";

// "de_AT.UTF-8@euro" -> {"de_AT", "de"}; "C", "POSIX" and "" -> {"en"}.
std::vector<std::string> languagesOfLocale(std::string name) {
    if (const auto cut = name.find_first_of(".@"); cut != std::string::npos) {
        name.erase(cut);
    }
    if (name.empty() || name == "C" || name == "POSIX") {
        return {"en"};
    }
    std::vector<std::string> languages{name};
    if (const auto underscore = name.find('_'); underscore != std::string::npos && underscore > 0) {
        languages.push_back(name.substr(0, underscore));
    }
    return languages;
}

std::unique_ptr<QTranslator>& programTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& toolkitTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

std::vector<std::string> wantedLanguages(const EnvironmentReader& environment) {
    std::vector<std::string> wanted;
    if (const char* list = environment("LANGUAGE"); list != nullptr) {
        const std::string text(list);
        std::size_t start = 0;
        while (start <= text.size()) {
            const auto end = std::min(text.find(':', start), text.size());
            if (end > start) {
                for (auto& language : languagesOfLocale(text.substr(start, end - start))) {
                    wanted.push_back(std::move(language));
                }
            }
            start = end + 1;
        }
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = environment(variable); value != nullptr && *value != 0) {
            for (auto& language : languagesOfLocale(value)) {
                wanted.push_back(std::move(language));
            }
            break;
        }
    }
    return wanted;
}

std::optional<std::string> catalogueFor(const std::string& folder,
                                        const std::vector<std::string>& languages) {
    for (const auto& language : languages) {
        if (language == "en" || language.rfind("en_", 0) == 0) {
            return std::nullopt;
        }
        const std::string path = folder + kCataloguePrefix + language + ".qm";
        if (QFileInfo(QString::fromStdString(path)).isFile()) {
            return path;
        }
    }
    return std::nullopt;
}

std::optional<std::string> installTranslations(const std::string& programDirectory,
                                               QCoreApplication* application,
                                               const EnvironmentReader& environment) {
    // Whatever was installed before goes first, so that a language without a catalogue is English.
    platform::setTranslator({});
    auto& program = programTranslator();
    auto& toolkit = toolkitTranslator();
    for (auto* translator : {&program, &toolkit}) {
        if (*translator && application != nullptr) {
            QCoreApplication::removeTranslator(translator->get());
        }
        translator->reset();
    }
    const auto catalogue = catalogueFor(programDirectory + kCatalogueFolder, wantedLanguages(environment));
    if (!catalogue) {
        return std::nullopt;
    }
    program = std::make_unique<QTranslator>();
    if (!program->load(QString::fromStdString(*catalogue))) {
        program.reset();
        return std::nullopt;
    }
    if (application == nullptr) {
        // Without an application object (the command-line program) the catalogue answers directly.
        const QTranslator* catalogueTranslator = program.get();
        platform::setTranslator([catalogueTranslator](const char* context, const char* source) {
            return catalogueTranslator->translate(context, source).toStdString();
        });
        return catalogue;
    }
    QCoreApplication::installTranslator(program.get());
    // The toolkit's own dialogs (the file dialog) in the same language, where the system has them.
    toolkit = std::make_unique<QTranslator>();
    if (toolkit->load(QLocale(program->language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(toolkit.get());
    } else {
        toolkit.reset();
    }
    platform::setTranslator([](const char* context, const char* source) {
        return QCoreApplication::translate(context, source).toStdString();
    });
    return catalogue;
}

} // namespace morvane::app
