#pragma once
// The language tables: every visible text is looked up by a text key. The program carries one
// English text per key; a language file (<name>.lng in the Language folder, one section [LNG] of
// key=text lines) may replace any of them. The tables are built from the built-in list and the
// file whenever texts are needed and dropped afterwards, so an edited language file shows at the
// next form showing. The ready strings are copies of the most used texts that other units read
// without building the tables.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qn {

struct STS_Record;

// Process-wide copies of frequently used texts, refreshed after a language change and when the
// main window is shown. Before the first refresh they hold the English texts.
struct ReadyStrings {
    QString DIM_RPM, DIM_H, DIM_L, DIM_ms, DIM_sec, DIM_Bar, DIM_Volt, DIM_km_H, DIM_L_m3_H,
        DIM_L_m3_100km, DIM_Money;
    QString CFG_SWL_Off, CFG_SWL_WaitSet, CFG_SWL_Collect, CFG_SWL_WaitJob, CFG_SWL_Working;
    QString Diesel, Gas, Switch_Mode, Device, Yes, No, Cancel, Set, MSG_Are_You_Sure, ComPort,
        Turned_On, Turned_Off, Not_Connect, Not_Paired;
    QString Minimum, Small, Medium, Large, Maximum;
    QString Start, Stop, Load, Save, Show, Grid, Measurer, Yardstick, Drives;
    QString Start_Scanning, Progress_Scanning, Complete_Scanning, Progress_Pairing, Error_Pairing,
        Complete_Pairing;
    QString Form, Page, Left, Center, Right, Quantity, Addition, Fuel_Consumption, Averaging,
        Averaging_Short, CFG_LOG_Save, File_Name;

    // The keys in the order above, and the field of each (nullptr for an unknown key).
    static const QStringList &keys();
    const QString *field(const QString &key) const;
};

class Language {
public:
    // sts: the settings record (Run_App and Language are read and updated while building).
    // folder: the Language folder. systemCode: the two-letter code of the user-interface language,
    // used on a first run.
    Language(STS_Record &sts, QString folder, QString systemCode = systemLanguageCode());

    // The built-in list: 223 keys in their fixed order, each with its English text.
    static int builtInCount();
    static const QStringList &builtInKeys();
    static const QStringList &builtInTexts();
    // Position of key in the built-in list (letter case ignored), -1 when it is not built in.
    static int builtInIndex(const QString &key);

    // The two-letter code of the system's user-interface language ("de", "ru", ...).
    static QString systemLanguageCode();
    // The language name for a two-letter code, or empty when no language carries it.
    static QString languageForCode(const QString &code);
    // languageForCode of the code given at construction.
    QString DetectSystemLanguage() const;

    // Builds the tables (rebuilding them when they are built): on a first run the language is
    // taken from the system and Run_App is set; a language without a readable name or without
    // its file falls back to "English", and the settings field follows.
    void LoadLanguageTables();
    void FreeLanguageTables();
    bool tablesBuilt() const { return m_built; }

    // The text of key (letter case ignored). A key that is not built in, or whose text is empty,
    // gives the key itself. When the tables are not built they are built for this one lookup and
    // dropped again, with the same effect on Run_App and Language as LoadLanguageTables; hold a
    // Session around a burst of lookups.
    QString text(const QString &key) const;

    // Keeps the tables built for its lifetime: builds them if they are not built and drops them
    // at the end only if it built them.
    class Session {
    public:
        explicit Session(Language &lang);
        ~Session();
        Session(const Session &) = delete;
        Session &operator=(const Session &) = delete;

    private:
        Language &m_lang;
        bool m_owns;
    };

    // Builds the tables, copies the ready strings, calls onTextsChanged while the tables are still
    // built (the window uses it to make every open secondary form set its texts again) and drops
    // the tables unless they were built before the call.
    void RefreshReadyStrings();
    const ReadyStrings &ready() const { return m_ready; }
    std::function<void()> onTextsChanged;

    // The language file the current settings name (empty for English or an unusable name).
    QString languageFilePath() const;

private:
    void build(std::vector<QString> &texts) const;
    static QString lookup(const std::vector<QString> &texts, const QString &key);

    STS_Record &m_sts;
    QString m_folder;
    QString m_systemCode;
    std::vector<QString> m_texts; // in built-in order, while built
    bool m_built = false;
    ReadyStrings m_ready;
};

} // namespace qn
