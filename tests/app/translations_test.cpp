// The program in the user's language: the choice of catalogue from the locale, the window, its menus
// and its messages in German and French, English exactly where no catalogue fits, and the catalogues
// themselves complete.
#include "app/translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "app/batch_driver.h"
#include "app/file_list.h"
#include "app/file_list_rows.h"
#include "app/list_keeper.h"
#include "app/main_window.h"
#include "app/main_window_layout.h"
#include "app/window_services.h"
#include "engine/run_report.h"
#include "engine/trace_file.h"
#include "platform/program_dir.h"
#include "tests/support/test_support.h"

namespace morvane::app {
namespace {

using Environment = std::map<std::string, std::string>;

EnvironmentReader reader(const Environment& environment) {
    return [environment](const char* name) -> const char* {
        const auto it = environment.find(name);
        return it == environment.end() ? nullptr : it->second.c_str();
    };
}

// The language of `environment` from the built catalogues for one test; English again after it.
class LanguageScope {
public:
    explicit LanguageScope(const Environment& environment)
        : installed(installTranslations(std::string(MORVANE_PROGRAM_DIR) + "/", QCoreApplication::instance(),
                                        reader(environment))) {}
    ~LanguageScope() {
        installTranslations(std::string(MORVANE_PROGRAM_DIR) + "/", QCoreApplication::instance(), reader({}));
    }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

    std::optional<std::string> installed;
};

TEST(Translations, TheLanguageComesFromLanguageThenTheLocaleAndEnglishWhenNoneFits) {
    test::TempDir folder;
    test::writeFile(folder.file("morvane_de.qm"), "");
    test::writeFile(folder.file("morvane_fr.qm"), "");
    struct Case {
        Environment environment;
        const char* catalogue; // null: English
    };
    const std::vector<Case> cases = {
        {{{"LANG", "de_DE.UTF-8"}}, "morvane_de.qm"},
        {{{"LANG", "de_AT.UTF-8@euro"}}, "morvane_de.qm"},
        {{{"LANGUAGE", "fr:de"}, {"LANG", "de_DE.UTF-8"}}, "morvane_fr.qm"},
        {{{"LANGUAGE", "pt_BR:fr_CA"}, {"LANG", "de_DE.UTF-8"}}, "morvane_fr.qm"},
        {{{"LANGUAGE", ""}, {"LANG", "de_DE.UTF-8"}}, "morvane_de.qm"},
        {{{"LANGUAGE", "en:de"}, {"LANG", "de_DE.UTF-8"}}, nullptr},
        {{{"LC_ALL", "fr_FR.UTF-8"}, {"LC_MESSAGES", "de_DE"}, {"LANG", "de_DE"}}, "morvane_fr.qm"},
        {{{"LC_ALL", ""}, {"LC_MESSAGES", "de_CH"}, {"LANG", "fr_FR"}}, "morvane_de.qm"},
        {{{"LANG", "en_GB.UTF-8"}}, nullptr},
        {{{"LANG", "C.UTF-8"}}, nullptr},
        {{{"LANG", "POSIX"}}, nullptr},
        {{{"LANGUAGE", "xx:yy"}, {"LANG", "zz_ZZ.UTF-8"}}, nullptr},
        {{}, nullptr},
    };
    for (const auto& c : cases) {
        std::string described;
        for (const auto& [name, value] : c.environment) {
            described += name + "=" + value + " ";
        }
        const auto chosen = catalogueFor(folder.path() + "/", wantedLanguages(reader(c.environment)));
        if (c.catalogue == nullptr) {
            EXPECT_FALSE(chosen) << described << "gave " << chosen.value_or("");
        } else {
            EXPECT_EQ(chosen.value_or("(English)"), folder.file(c.catalogue)) << described;
        }
    }
}

// Answers every message at once and keeps it.
class KeptPrompts final : public UserPrompts {
public:
    MessageAnswer ask(const Message& message) override {
        messages.push_back(message);
        return message.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    std::vector<Message> messages;
};

// A real message box, read while it is open and answered No (or OK).
struct ShownBox {
    QString title;
    QString text;
    QStringList buttons;
};
ShownBox showBox(const Message& message) {
    ShownBox shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            return;
        }
        shown.title = box->windowTitle();
        shown.text = box->text();
        for (auto* button : box->buttons()) {
            shown.buttons << button->text();
        }
        (box->button(QMessageBox::No) ? box->button(QMessageBox::No) : box->button(QMessageBox::Ok))->click();
    });
    poll.start(10);
    MessageBoxPrompts(nullptr).ask(message);
    return shown;
}

struct LanguageCase {
    Environment environment;
    const char* catalogue;                                     // null: English
    std::vector<std::pair<const char*, const char*>> captions; // object name, text
    QStringList menus;
    const char* addTooltip;
    const char* helpMissing;
    const char* stopCaption;
    const char* stopQuestion;
    QStringList stopButtons;
};

const std::vector<LanguageCase>& languageCases() {
    static const std::vector<LanguageCase> cases = {
        {{{"LANG", "de_DE.UTF-8"}},
         "morvane_de.qm",
         {{"profileLabel", "Profil:"},
          {"outputLabel", "Ausgabe:"},
          {"browseButton", "&Durchsuchen..."},
          {"shutdownCheck", "PC nach Abschluss herunterfahren."},
          {"openFolderCheck", "Ausgabeordner nach Abschluss öffnen."}},
         {QStringLiteral("  &Datei  "), QStringLiteral("  &Bearbeiten  "), QStringLiteral(" &Einstellungen "),
          QStringLiteral("  &Hilfe  ")},
         "Mediendatei zur Liste hinzufügen",
         "Die Hilfedatei fehlt:\n",
         "Warnung",
         "  Die Videokonvertierung anhalten?   ",
         {QStringLiteral("&Ja"), QStringLiteral("&Nein")}},
        {{{"LANGUAGE", "fr_FR"}, {"LANG", "de_DE.UTF-8"}},
         "morvane_fr.qm",
         {{"profileLabel", "Profil\u00a0:"},
          {"outputLabel", "Sortie\u00a0:"},
          {"browseButton", "&Parcourir..."},
          {"shutdownCheck", "Éteindre le PC à la fin."},
          {"openFolderCheck", "Ouvrir le dossier de sortie à la fin."}},
         {QStringLiteral("  &Fichier  "), QStringLiteral("  É&dition  "), QStringLiteral(" &Configuration "),
          QStringLiteral("  &Aide  ")},
         "Ajouter un fichier multimédia à la liste",
         "Le fichier d'aide est introuvable\u00a0:\n",
         "Avertissement",
         "  Arrêter la conversion vidéo\u00a0?   ",
         {QStringLiteral("&Oui"), QStringLiteral("&Non")}},
        // No catalogue fits: the English texts exactly, blanks and all.
        {{{"LANGUAGE", "xx:yy"}, {"LANG", "zz_ZZ.UTF-8"}},
         nullptr,
         {{"profileLabel", "Profile:"},
          {"outputLabel", "Output:"},
          {"browseButton", "&Browse..."},
          {"shutdownCheck", "Shutdown PC when finished."},
          {"openFolderCheck", "Auto open the output folder when finished."}},
         {QStringLiteral("  &File  "), QStringLiteral("  &Edit  "), QStringLiteral(" &Config "),
          QStringLiteral("  &Help  ")},
         "Add media file to control list",
         "The help file is missing:\n",
         "Warning",
         "  Stop the video convert operation?   ",
         {QStringLiteral("&Yes"), QStringLiteral("&No")}},
    };
    return cases;
}

TEST(Translations, TheWindowItsMenusAndItsMessagesSpeakTheLocalesLanguage) {
    for (const auto& c : languageCases()) {
        SCOPED_TRACE(c.catalogue ? c.catalogue : "English");
        const LanguageScope language(c.environment);
        if (c.catalogue == nullptr) {
            EXPECT_FALSE(language.installed);
        } else {
            ASSERT_TRUE(language.installed);
            EXPECT_EQ(std::filesystem::path(*language.installed).filename(), c.catalogue);
        }

        test::TempDir dir;
        platform::setProgramDirectory(dir.path() + "/");
        test::RecordingPowerControl power;
        KeptPrompts prompts;
        WindowServices services;
        services.power = &power;
        services.prompts = &prompts;
        {
            MainWindow window(dir.path() + "/", services);
            for (const auto& [name, text] : c.captions) {
                auto* control = window.findChild<QWidget*>(QString::fromUtf8(name));
                ASSERT_NE(control, nullptr) << name;
                const auto* label = qobject_cast<QLabel*>(control);
                const auto* button = qobject_cast<QAbstractButton*>(control);
                EXPECT_EQ((label ? label->text() : button->text()).toStdString(), text) << name;
                // The longer texts still fit: the layout grew their controls.
                EXPECT_GE(control->width(), control->sizeHint().width()) << name;
            }
            // The left part keeps clear of the panel whatever the language.
            const int rightPart = window.control(kIdPanelFrame)->geometry().left();
            for (const int id :
                 {kIdProfileCombo, kIdOutputEdit, kIdBrowse, kIdOpen, kIdOpenFolderCheck, kIdShutdownCheck}) {
                EXPECT_LT(window.control(id)->geometry().right(), rightPart) << id;
            }
            // The Output line keeps its order without overlaps.
            EXPECT_LT(window.control(kIdOutputEdit)->geometry().right(), window.control(kIdBrowse)->x());
            EXPECT_LT(window.control(kIdBrowse)->geometry().right(), window.control(kIdOpen)->x());
            QStringList menus;
            for (const auto* action : window.menuBar()->actions()) {
                menus << action->text();
            }
            EXPECT_EQ(menus, c.menus);
            EXPECT_EQ(qobject_cast<QAbstractButton*>(window.control(kIdAdd))->toolTip().toStdString(),
                      c.addTooltip);

            // Help without its page beside the program: the message in the window's language.
            window.command(kCmdHelp)->trigger();
            ASSERT_EQ(prompts.messages.size(), 1u);
            EXPECT_EQ(prompts.messages[0].text.rfind(c.helpMissing, 0), 0u) << prompts.messages[0].text;
        }
        engine::closeTraceFile();
        platform::setProgramDirectory("");

        // A real box: caption and buttons in the language too.
        const auto shown = showBox(Message{platform::translate("BatchDriver", kStopQuestionText), "Warning",
                                           MessageIcon::Warning, MessageButtons::YesNo});
        EXPECT_EQ(shown.title.toStdString(), c.stopCaption);
        EXPECT_EQ(shown.text.toStdString(), c.stopQuestion);
        EXPECT_EQ(shown.buttons.size(), 2);
        for (const auto& button : c.stopButtons) {
            EXPECT_TRUE(shown.buttons.contains(button)) << button.toStdString();
        }
    }
}

TEST(Translations, TheStatusCellShowsItsWordInTheLanguageAndTheRowKeepsItInEnglish) {
    const LanguageScope german(Environment{{"LANG", "de_DE.UTF-8"}});
    FileList list;
    list.append(std::make_unique<engine::ConversionJob>(), std::make_unique<profiles::Profile>());
    FileListRows rows(list);
    EXPECT_EQ(rows.cell(0, kColumnStatus).text, QStringLiteral("Bereit"));
    const std::vector<std::pair<const char*, QString>> words = {
        {kStatusCompleted, QStringLiteral("Fertig")},
        {kStatusFail, QStringLiteral("Fehler")},
        {kStatusAbort, QStringLiteral("Abgebrochen")},
        {"42 %", QStringLiteral("42 %")},
    };
    for (const auto& [word, shown] : words) {
        auto cell = rows.cell(0, kColumnStatus);
        cell.text = QString::fromUtf8(word);
        rows.setCell(0, kColumnStatus, cell);
        EXPECT_EQ(rows.cell(0, kColumnStatus).text, shown);
        // The list writes a cell back as it shows it: the row still holds the word the batch logic reads.
        rows.setCell(0, kColumnStatus, rows.cell(0, kColumnStatus));
        EXPECT_EQ(list.row(0).cells[kColumnStatus], word);
    }
}

TEST(Translations, ReasonsKeptInEnglishForTheTraceAreShownInTheLanguage) {
    const LanguageScope german(Environment{{"LANG", "de_DE.UTF-8"}});
    const auto warning = engine::shortOutputWarning(10.0, 3.0);
    ASSERT_TRUE(warning);
    EXPECT_EQ(warning->rfind("the source ended early: ", 0), 0u) << "the trace and JSON keep English";
    EXPECT_EQ(shownReason(*warning), "die Quelle endete zu früh: Die Ausgabe enthält 3 s der 10 s, die ihr "
                                     "Dateikopf angibt (ist die Datei vollständig?)");
    EXPECT_EQ(shownReason("the output folder is a file, not a folder"),
              "der Ausgabeordner ist eine Datei, kein Ordner");
    EXPECT_EQ(shownReason("the output file \"/out/a.mp4\" is missing or empty"),
              "die Ausgabedatei \"/out/a.mp4\" fehlt oder ist leer");
    EXPECT_EQ(shownReason("the converter was ended by a signal (Killed)"),
              "der Konverter wurde durch ein Signal beendet (Killed)");
    EXPECT_EQ(shownReason("nothing new was written to \"/out/a b.mp4\""),
              "nach \"/out/a b.mp4\" wurde nichts Neues geschrieben");
    EXPECT_EQ(shownReason("Unknown encoder 'libfoo'"), "Unknown encoder 'libfoo'")
        << "the converter's own words";
    EXPECT_EQ(
        setAsideText("/h/list.json", "it is damaged: row 3 has no path", "/h/list.json.bad", {}),
        "Die gespeicherte Dateiliste \"/h/list.json\" kann nicht verwendet werden: sie ist beschädigt: row 3 "
        "has no path. Sie wurde als \"/h/list.json.bad\" beiseitegelegt; die Liste beginnt leer.");
}

// One message of a catalogue.
struct CatalogueEntry {
    std::string context;
    std::string source;
    std::string translation;
    std::string type; // "unfinished", "obsolete", "vanished" or empty
};

std::vector<CatalogueEntry> readCatalogue(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    QXmlStreamReader xml(&file);
    std::vector<CatalogueEntry> entries;
    std::string context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) {
            continue;
        }
        if (xml.name() == QStringLiteral("name")) {
            context = xml.readElementText().toStdString();
        } else if (xml.name() == QStringLiteral("message")) {
            entries.push_back({context, {}, {}, {}});
        } else if (xml.name() == QStringLiteral("source") && !entries.empty()) {
            entries.back().source = xml.readElementText().toStdString();
        } else if (xml.name() == QStringLiteral("translation") && !entries.empty()) {
            entries.back().type = xml.attributes().value(QStringLiteral("type")).toString().toStdString();
            entries.back().translation = xml.readElementText().toStdString();
        }
    }
    EXPECT_FALSE(xml.hasError()) << path << ": " << xml.errorString().toStdString();
    return entries;
}

std::multiset<std::string> markers(const std::string& text) {
    std::multiset<std::string> found;
    const QString shown = QString::fromStdString(text);
    for (const auto& pattern :
         {QStringLiteral("%[1-9]"), QStringLiteral("%[a-z]+"), QStringLiteral("&[^&\\s]")}) {
        auto matches = QRegularExpression(pattern).globalMatch(shown);
        while (matches.hasNext()) {
            const auto match = matches.next().captured();
            // An accelerator counts, not its letter.
            found.insert(match.startsWith(QLatin1Char('&')) ? std::string("&") : match.toStdString());
        }
    }
    return found;
}

std::pair<std::string, std::string> outerBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\n");
    if (first == std::string::npos) {
        return {text, {}};
    }
    const auto last = text.find_last_not_of(" \t\n");
    return {text.substr(0, first), text.substr(last + 1)};
}

TEST(Translations, EveryTextOfTheSourcesHasAFinishedTranslationInEachCatalogue) {
    // Every catalogue of the sources, German and French at least.
    std::vector<std::string> catalogues;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(MORVANE_SOURCE_DIR) + "/translations")) {
        if (entry.path().extension() == ".ts") {
            catalogues.push_back(entry.path().string());
        }
    }
    std::sort(catalogues.begin(), catalogues.end());
    for (const char* language : {"morvane_de.ts", "morvane_fr.ts"}) {
        EXPECT_EQ(std::count_if(catalogues.begin(), catalogues.end(),
                                [&](const std::string& path) { return path.ends_with(language); }),
                  1)
            << language;
    }
    std::set<std::pair<std::string, std::string>> first;
    for (const auto& catalogue : catalogues) {
        SCOPED_TRACE(catalogue);
        const auto entries = readCatalogue(catalogue);
        EXPECT_GT(entries.size(), 150u);
        std::set<std::pair<std::string, std::string>> sources;
        for (const auto& e : entries) {
            const std::string where = e.context + ": \"" + e.source + "\"";
            sources.insert({e.context, e.source});
            EXPECT_EQ(e.type, "") << where;
            EXPECT_FALSE(e.translation.empty()) << where;
            EXPECT_EQ(markers(e.translation), markers(e.source))
                << where << " -> \"" << e.translation << "\"";
            EXPECT_EQ(outerBlanks(e.translation), outerBlanks(e.source))
                << where << " -> \"" << e.translation << "\"";
        }
        if (first.empty()) {
            first = sources;
        } else {
            EXPECT_EQ(sources, first) << "every catalogue holds the same texts";
        }
    }

    // Nothing that the sources mark is missing: the catalogue tool, run on the sources now, finds
    // exactly the texts of the catalogues.
    const std::string lupdate = MORVANE_LUPDATE;
    if (lupdate.empty()) {
        GTEST_SKIP() << "lupdate is not installed (Debian package qt6-l10n-tools)";
    }
    test::TempDir scratch;
    const std::string fresh = scratch.file("fresh.ts");
    std::vector<std::string> command{lupdate, "-silent", "-locations", "none"};
    for (const char* folder : {"app", "platform", "media", "preview", "widgets", "profiles", "engine"}) {
        command.push_back(std::string(MORVANE_SOURCE_DIR) + "/" + folder);
    }
    command.insert(command.end(), {"-ts", fresh});
    ASSERT_EQ(test::runProgram(command), 0);
    std::set<std::pair<std::string, std::string>> marked;
    for (const auto& e : readCatalogue(fresh)) {
        marked.insert({e.context, e.source});
    }
    for (const auto& text : marked) {
        EXPECT_TRUE(first.count(text))
            << "not in the catalogues: " << text.first << ": \"" << text.second << "\"";
    }
    for (const auto& text : first) {
        EXPECT_TRUE(marked.count(text))
            << "no longer in the sources: " << text.first << ": \"" << text.second << "\"";
    }
}

} // namespace
} // namespace morvane::app
