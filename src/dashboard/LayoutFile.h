#pragma once
// Layout files (".loc"): one "GEN_" n section per dashboard object, numbered from 1 in object-list
// order, with the object's kind, page, geometry in both layout sets, the oscilloscope settings of
// kind-25 objects and every element's kind, colour or scale group and geometry. Every writer
// rewrites the whole file atomically, so a failed write leaves the old layout as it was.

#include "dashboard/DashboardModel.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace qn {

class IniFile;
class MessageSink;

enum class LayoutSaveResult {
    Saved,
    Failed, // nothing written; the old file is intact
    Full,   // the file already holds the objects a layout can hold; nothing written
};

// Message shown for a failed write, and for an append refused because the layout is full.
inline constexpr const char *LayoutSaveFailedKey = "MSG_Cannot_Save_File";
inline constexpr const char *LayoutFullKey = "MSG_Layout_Full";
inline constexpr int LayoutMessageKind = 5;
// Shows the message that belongs to a result (nothing for Saved).
void reportLayoutSave(LayoutSaveResult result, MessageSink &sink);

struct LayoutReadOptions {
    uint32_t fontColour = 0xFFFFFFFF; // taken when an element's colour text is unusable
};

// Builds the objects of the sections GEN_1..GEN_50 into the model (normally just cleared). Absent
// sections are skipped without renumbering; every bad value takes its fallback.
void readLayout(DashboardModel &model, const IniFile &ini, const LayoutReadOptions &options = {});
// The same from a file; false (and nothing built) when the file does not exist.
bool loadLayoutFile(DashboardModel &model, const QString &path, const LayoutReadOptions &options = {});

// The object under edit, as the object editor holds it: frame 0 is the object (kind = object kind),
// frames 1.. its elements; rect is the active set's geometry, attributes carry the other set,
// colour (1) and scale group (5).
struct EditorFrame {
    int kind = 0;
    QRect rect;
    QString attributes;
};
struct EditedObject {
    int page = 1;
    std::vector<EditorFrame> frames;
    ScopePart scope = ScopePart::defaults();
};

// The whole dashboard as a new file: every non-empty object slot becomes the next section. The
// written geometry is stored back into both sets' attributes.
LayoutSaveResult saveLayout(DashboardModel &model, const QString &path, QString *error = nullptr);
// The file text saveLayout writes (and stores back as it does).
QByteArray layoutBytes(DashboardModel &model);
// The same, except that while the object editor is open (editing != nullptr) the object under edit
// is appended instead.
LayoutSaveResult saveLayout(DashboardModel &model, const QString &path, const EditedObject *editing,
                            QString *error = nullptr);
// Rewrites section GEN_(object + 1) of the file with the object's current keys; other keys of the
// section stay, except View_ keys of flags that are now off.
LayoutSaveResult saveObject(const DashboardModel &model, int object, const QString &path, QString *error = nullptr);
// Appends the object under edit as a new section after the last one.
LayoutSaveResult appendEditedObject(const EditedObject &edited, int activeSet, const QString &path,
                                    QString *error = nullptr);
// Appends a picture object of 160 by 100 at 10,10 on page 2.
LayoutSaveResult appendPictureObject(int activeSet, const QString &path, QString *error = nullptr);
// Number of the section an append writes (1..50), 0 when the layout is full.
int nextFreeSection(const IniFile &ini);

// Replaces the working layout with a copy of source; on failure the working file is unchanged.
// The caller clears and reloads the dashboard and queues event 14 after 200 ms.
bool importLayout(const QString &source, const QString &workingPath, QString *error = nullptr);
// Removes the working layout and clears the dashboard; false when the file exists and stays.
bool deleteLayout(DashboardModel &model, const QString &workingPath);

} // namespace qn
