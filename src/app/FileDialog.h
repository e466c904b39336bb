#pragma once
// The file dialog drawn inside the main window: saving and loading dashboard layouts (".loc" in
// the layout folder GEN_Path) and loading oscilloscope recordings (".osc" in OSC_Path). This unit
// is the dialog's model on the file system; FileDialogWidget shows it and forwards the clicks.
// Writing and reading the files themselves belong to the layout and recording units, which the
// program wires in through save and load.

#include <QRect>
#include <QString>
#include <functional>
#include <vector>

namespace qn {

struct STS_Record;
struct Paths;
class Language;
class MessageSink;

// Shortens text to fit width by replacing its middle with " .. ", taking characters out of the
// middle until measure(result) <= width. A text that fits is returned as it is; when not even
// " .. " fits, " .. " is returned.
QString shortenMiddle(const QString &text, double width,
                      const std::function<double(const QString &)> &measure);

class FileDialog {
public:
    enum Mode { SaveBeforeDefault = 2, SaveLayout = 3, LoadLayout = 4, SaveThenLoad = 5, LoadRecording = 6 };
    enum class Action { Save, Load };
    enum class Outcome {
        Nothing,     // no dialog open
        NoName,      // the name box is empty
        BadName,     // the name would leave the folder; the name box asks for a file name
        NoFolder,    // at the drive level there is no folder to save in or load from
        Exists,      // save: the file is there already, nothing written
        Saved,
        SaveFailed,  // the writer failed: reported as such, the dialog stays open
        NotExists,   // load: no such file
        Loaded,
        LoadFailed,  // the reader failed; it reports why, the dialog stays open
    };

    struct Entry {
        QString name; // last path component
        QString path; // full path, the item's detail
        bool folder = false; // a folder or a drive: clicking it navigates
    };

    static constexpr int CloseEvent = 16;
    static constexpr int ReopenLoadEvent = 17;
    static constexpr int EventDelayMs = 100;

    // sts holds GEN_Path and OSC_Path; paths the Location and Oscilloscope folders. All must
    // outlive the dialog; messages may be null.
    FileDialog(STS_Record &sts, const Paths &paths, Language &lang, MessageSink *messages);

    // Opens the dialog in mode 2..6 (false for any other mode), dropping any dialog open before.
    // A remembered folder that is gone is replaced by the default folder of its kind.
    bool open(int mode);
    // Event 16.
    void close();
    bool isOpen() const { return m_open; }

    // Lists folder; an empty folder lists the drives. A non-empty folder becomes the remembered
    // folder of the mode. A folder that does not exist (any more) leaves the dialog where it is,
    // relisted.
    void showFolder(const QString &folder);
    // A list item: a file fills the name box, a folder or drive is shown.
    void clickItem(int index);
    // The parent of the current folder, with the name box cleared. Above "/" are the drives.
    void up();
    // The close button: event 16 closes the dialog.
    void exit();
    // The user typed into the name box.
    void setName(const QString &name);
    // The action button.
    Outcome act();

    // Program wiring: write or read the file at path (false on failure); the default dashboard
    // after a save in mode 2; events 16 and 17.
    std::function<bool(const QString &path)> save;
    std::function<bool(const QString &path)> load;
    std::function<void()> loadDefaultDashboard;
    std::function<void(int code, int delayMs)> postEvent;
    // After every change of the view state below.
    std::function<void()> onChanged;

    // View state.
    int mode() const { return m_mode; }
    Action action() const { return m_action; }
    QString actionCaption() const;
    QString extension() const { return m_ext; }
    QString currentFolder() const { return m_folder; }
    bool atDrives() const { return m_folder.isEmpty(); }
    QString dirLabel() const { return m_dirLabel; }
    QString pathLabel() const { return m_pathLabel; }
    QString nameCaption() const;
    const std::vector<Entry> &entries() const { return m_entries; }
    // The name as typed or filled in; empty while a notice is shown.
    QString name() const { return m_name; }
    // A translated notice in the name box ("File_Exists", "File_Not_Exists", "Enter_File_Name"),
    // shown in place of a name and never taken for one; empty when none.
    QString notice() const { return m_notice; }
    // The file the action button would use now.
    QString targetFile() const;

    // The dialog's place on a client area: centred, 90 % of its width and 80 % of its height.
    static QRect placeIn(int clientW, int clientH);
    // The parent folder as the dialog goes up: empty above the root.
    static QString parentFolder(const QString &folder);

private:
    QString &remembered();
    void setNotice(const QString &key);
    void changed();

    STS_Record &m_sts;
    const Paths &m_paths;
    Language &m_lang;
    MessageSink *m_messages;

    bool m_open = false;
    int m_mode = 0;
    Action m_action = Action::Save;
    QString m_ext;
    QString m_folder;
    QString m_dirLabel;
    QString m_pathLabel;
    std::vector<Entry> m_entries;
    QString m_name;
    QString m_notice;
};

} // namespace qn
