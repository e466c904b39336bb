#include "app/FileDialog.h"

#include "link/LinkHooks.h"
#include "platform/SafeName.h"
#include "ui/Folders.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <QDir>
#include <QFileInfo>

namespace qn {

namespace {

const QString kEllipsis = QStringLiteral(" .. ");

bool isFolder(const QString &path) { return !path.isEmpty() && QFileInfo(path).isDir(); }

} // namespace

QString shortenMiddle(const QString &text, double width,
                      const std::function<double(const QString &)> &measure)
{
    if (measure(text) <= width)
        return text;
    // Take characters out of the middle, alternately from the left and the right half, so that both
    // the start of the path and the file name stay readable as long as possible.
    QString left = text.left(text.size() / 2);
    QString right = text.mid(text.size() / 2);
    bool fromLeft = left.size() >= right.size();
    for (;;) {
        const QString candidate = left + kEllipsis + right;
        if (measure(candidate) <= width || (left.isEmpty() && right.isEmpty()))
            return candidate;
        if ((fromLeft && !left.isEmpty()) || right.isEmpty())
            left.chop(1);
        else
            right.remove(0, 1);
        fromLeft = !fromLeft;
    }
}

FileDialog::FileDialog(STS_Record &sts, const Paths &paths, Language &lang, MessageSink *messages)
    : m_sts(sts), m_paths(paths), m_lang(lang), m_messages(messages)
{
}

QString &FileDialog::remembered() { return m_mode == LoadRecording ? m_sts.OSC_Path : m_sts.GEN_Path; }

bool FileDialog::open(int mode)
{
    if (mode < SaveBeforeDefault || mode > LoadRecording)
        return false;
    // Any dialog open before is dropped.
    m_mode = mode;
    m_action = (mode == LoadLayout || mode == LoadRecording) ? Action::Load : Action::Save;
    m_ext = mode == LoadRecording ? QStringLiteral(".osc") : QStringLiteral(".loc");
    m_folder.clear();
    m_entries.clear();
    m_name.clear();
    m_notice.clear();
    m_open = true;

    // A remembered folder that has been deleted or moved gives way to the program's own folder.
    if (!isFolder(m_sts.GEN_Path))
        m_sts.GEN_Path = m_paths.locationFolder;
    if (!isFolder(m_sts.OSC_Path))
        m_sts.OSC_Path = m_paths.oscilloscopeFolder;
    showFolder(remembered());
    return true;
}

void FileDialog::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_entries.clear();
    m_name.clear();
    m_notice.clear();
    changed();
}

QRect FileDialog::placeIn(int clientW, int clientH)
{
    const int w = clientW * 90 / 100;
    const int h = clientH * 80 / 100;
    return QRect((clientW - w) / 2, (clientH - h) / 2, w, h);
}

QString FileDialog::parentFolder(const QString &folder)
{
    if (folder.isEmpty())
        return QString();
    const QString clean = QDir::cleanPath(folder);
    if (QDir(clean).isRoot())
        return QString();
    return QFileInfo(clean).absolutePath();
}

void FileDialog::showFolder(const QString &folder)
{
    QString target = folder.isEmpty() ? QString() : QDir::cleanPath(folder);
    if (!target.isEmpty() && !isFolder(target)) {
        // Gone since it was listed: stay in the current folder and show what it holds now.
        target = isFolder(m_folder) ? m_folder : QString();
    }

    m_entries.clear();
    if (target.isEmpty()) {
        // Above the folders: the drives. On this system that is the root of the one file tree.
        m_folder.clear();
        const QString drives = m_lang.text(QStringLiteral("Drives"));
        m_dirLabel = drives;
        m_pathLabel = drives;
        for (const QFileInfo &d : QDir::drives()) {
            const QString path = d.absoluteFilePath();
            m_entries.push_back(Entry{path, path, true});
        }
        changed();
        return;
    }

    m_folder = target;
    remembered() = target;
    const QDir dir(target);
    const QFileInfo info(target);
    m_dirLabel = info.fileName().isEmpty() ? target : info.fileName();
    m_pathLabel = target;

    const auto order = QDir::Name | QDir::IgnoreCase;
    for (const QFileInfo &f : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, order))
        m_entries.push_back(Entry{f.fileName(), f.absoluteFilePath(), true});
    // Exactly the extension, letter case included: the name box gives back name + extension, and a
    // "Dash.LOC" would then name a file that is not there.
    for (const QFileInfo &f :
         dir.entryInfoList({QStringLiteral("*") + m_ext}, QDir::Files | QDir::CaseSensitive, order))
        m_entries.push_back(Entry{f.fileName(), f.absoluteFilePath(), false});
    changed();
}

void FileDialog::clickItem(int index)
{
    if (!m_open || index < 0 || index >= static_cast<int>(m_entries.size()))
        return;
    const Entry entry = m_entries[static_cast<size_t>(index)];
    if (entry.folder) {
        // A folder is a folder whatever its name ends with ("Old.loc" holds layouts, it is not one).
        showFolder(entry.path);
        return;
    }
    QString base = entry.name;
    if (base.endsWith(m_ext))
        base.chop(m_ext.size());
    m_name = base;
    m_notice.clear();
    changed();
}

void FileDialog::up()
{
    if (!m_open)
        return;
    m_name.clear();
    m_notice.clear();
    showFolder(parentFolder(m_folder));
}

void FileDialog::exit()
{
    if (m_open && postEvent)
        postEvent(CloseEvent, EventDelayMs);
}

void FileDialog::setName(const QString &name)
{
    const bool hadNotice = !m_notice.isEmpty();
    m_name = name;
    m_notice.clear();
    if (hadNotice)
        changed();
}

QString FileDialog::actionCaption() const
{
    return m_lang.text(m_action == Action::Save ? QStringLiteral("Save") : QStringLiteral("Load"));
}

QString FileDialog::nameCaption() const { return m_lang.text(QStringLiteral("File_Name")); }

QString FileDialog::targetFile() const
{
    if (m_folder.isEmpty())
        return QString();
    return QDir(m_folder).filePath(m_name + m_ext);
}

void FileDialog::setNotice(const QString &key)
{
    m_name.clear();
    m_notice = m_lang.text(key);
    changed();
}

FileDialog::Outcome FileDialog::act()
{
    if (!m_open)
        return Outcome::Nothing;
    if (m_name.isEmpty()) {
        if (m_action == Action::Save)
            return Outcome::NoName;
        setNotice(QStringLiteral("File_Not_Exists"));
        return Outcome::NotExists;
    }
    if (m_folder.isEmpty())
        return Outcome::NoFolder;
    // The name is one file in the current folder: no separators, no "..", no control characters.
    if (!isSafeFileName(m_name)) {
        setNotice(QStringLiteral("Enter_File_Name"));
        return Outcome::BadName;
    }

    const QString file = targetFile();
    const QFileInfo info(file);
    if (m_action == Action::Save) {
        if (info.exists() || info.isSymLink()) {
            setNotice(QStringLiteral("File_Exists"));
            return Outcome::Exists;
        }
        if (!save || !save(file)) {
            // Never report a layout as saved that is not on disk; the name stays for another try.
            if (m_messages)
                m_messages->showMessage(5, QStringLiteral("MSG_Cannot_Save_File"), MsgColour::Error);
            return Outcome::SaveFailed;
        }
        if (m_messages)
            m_messages->showMessage(3, QStringLiteral("MSG_GEN_Saved_Location"), MsgColour::Complete);
        if (postEvent)
            postEvent(CloseEvent, EventDelayMs);
        if (m_mode == SaveBeforeDefault) {
            if (loadDefaultDashboard)
                loadDefaultDashboard();
        } else if (m_mode == SaveThenLoad) {
            if (postEvent)
                postEvent(ReopenLoadEvent, EventDelayMs);
        }
        return Outcome::Saved;
    }

    if (!info.isFile()) {
        setNotice(QStringLiteral("File_Not_Exists"));
        return Outcome::NotExists;
    }
    if (!load || !load(file))
        return Outcome::LoadFailed;
    if (postEvent)
        postEvent(CloseEvent, EventDelayMs);
    return Outcome::Loaded;
}

void FileDialog::changed()
{
    if (onChanged)
        onChanged();
}

} // namespace qn
