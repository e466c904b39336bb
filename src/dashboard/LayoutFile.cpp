#include "dashboard/LayoutFile.h"

#include "link/LinkHooks.h"
#include "platform/IniFile.h"
#include "ui/ColourText.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <climits>

namespace qn {

namespace {

// Sizes and positions far beyond any screen are cut so that later scaling cannot overflow.
constexpr int MaxCoordinate = 16384;
constexpr int MaxElementsPerObject = DashboardModel::MaxElementsPerObject;
constexpr int NotANumber = INT_MIN;

QString sectionName(int n)
{
    return QStringLiteral("GEN_") + QString::number(n);
}

QString elementPrefix(int k)
{
    return QStringLiteral("Obj") + QString::number(k) + QLatin1Char('_');
}

const char *const GeometryKeys[4] = {"Width_", "Height_", "Pos_X_", "Pos_Y_"};

QString geometryKey(const QString &prefix, int field, int set)
{
    return prefix + QLatin1String(GeometryKeys[field]) + QString::number(set);
}

// One layout set's geometry of a control as read: "0" (the default) or anything unusable means
// 30 % of the reference width, 20 % of its height, at 4,4.
Geometry readGeometrySet(const IniFile &ini, const QString &section, const QString &prefix, int set, int refWidth,
                         int refHeight)
{
    int v[4];
    for (int f = 0; f < 4; ++f)
        v[f] = ini.readInteger(section, geometryKey(prefix, f, set), NotANumber);
    Geometry g;
    g.width = v[0] > 0 ? std::min(v[0], MaxCoordinate) : std::max(1, int(refWidth * 0.3));
    g.height = v[1] > 0 ? std::min(v[1], MaxCoordinate) : std::max(1, int(refHeight * 0.2));
    g.x = v[2] != 0 && v[2] != NotANumber ? std::clamp(v[2], -MaxCoordinate, MaxCoordinate) : 4;
    g.y = v[3] != 0 && v[3] != NotANumber ? std::clamp(v[3], -MaxCoordinate, MaxCoordinate) : 4;
    return g;
}

std::array<Geometry, 2> readGeometryBoth(const IniFile &ini, const QString &section, const QString &prefix,
                                         int activeSet, int refWidth, int refHeight)
{
    std::array<Geometry, 2> g{};
    g[size_t(activeSet - 1)] = readGeometrySet(ini, section, prefix, activeSet, refWidth, refHeight);
    g[size_t(otherSet(activeSet) - 1)] = readGeometrySet(ini, section, prefix, otherSet(activeSet), refWidth, refHeight);
    return g;
}

uint32_t readElementColour(const IniFile &ini, const QString &section, const QString &prefix, ControlClass cls,
                           uint32_t fontColour)
{
    const QString key = prefix + QStringLiteral("Color");
    if (cls == ControlClass::Image) {
        QString text = ini.readString(section, key, colourToText(fontColour));
        if (text.isEmpty())
            text = colourToText(fontColour);
        const std::optional<uint32_t> c = colourFromText(text);
        return c && *c != 0 ? *c : fontColour;
    }
    const std::optional<uint32_t> c = colourFromText(ini.readString(section, key, QStringLiteral("White")));
    return c ? *c : fontColour;
}

int safeActiveSet(int set)
{
    return set == 2 ? 2 : 1;
}

void writeGeometryKeys(IniFile &ini, const QString &section, const QString &prefix, int set, const Geometry &g)
{
    ini.writeInteger(section, geometryKey(prefix, 0, set), g.width);
    ini.writeInteger(section, geometryKey(prefix, 1, set), g.height);
    ini.writeInteger(section, geometryKey(prefix, 2, set), g.x);
    ini.writeInteger(section, geometryKey(prefix, 3, set), g.y);
}

// The geometry a writer puts down for the other set: the stored attributes, each absent (negative)
// value replaced by the current one.
Geometry otherSetGeometry(const QString &attributes, int other, const Geometry &current)
{
    Geometry g = readGeometry(attributes, other);
    if (g.width < 0)
        g.width = current.width;
    if (g.height < 0)
        g.height = current.height;
    if (g.x < 0)
        g.x = current.x;
    if (g.y < 0)
        g.y = current.y;
    return g;
}

void writeScopeKeys(IniFile &ini, const QString &section, const ScopePart &scope, bool removeCleared)
{
    ini.writeInteger(section, QStringLiteral("Expand"), scope.Exp);
    for (int i = 1; i <= 24; ++i) {
        const QString key = QStringLiteral("View_") + QString::number(i);
        if (scope.View[size_t(i)])
            ini.writeInteger(section, key, 1);
        else if (removeCleared)
            ini.deleteKey(section, key);
    }
    for (int i = 1; i <= ScaleGroupCount; ++i)
        ini.writeInteger(section, QStringLiteral("Range_") + QString::number(i), scope.Range[size_t(i)]);
}

bool writesColour(int kind)
{
    const ControlClass cls = controlClassOf(kind);
    if (cls == ControlClass::Text || cls == ControlClass::Button)
        return true;
    return cls == ControlClass::Image && kind != ElementKind::FuelSplit && kind != ElementKind::OscScale;
}

// Writes object a into section; with storeBack the written geometry goes back into both sets'
// attributes of every control (the whole-layout writer), otherwise the model stays untouched.
void writeObjectSection(IniFile &ini, const QString &section, DashboardModel &model, int a, bool storeBack,
                        bool removeClearedViews)
{
    DashObject &o = *model.object(a);
    const int s = safeActiveSet(model.activeSet);
    const int s2 = otherSet(s);
    ini.writeInteger(section, QStringLiteral("Tag"), o.kind);
    ini.writeInteger(section, QStringLiteral("Page"), o.page());
    const Geometry current = Geometry::of(o.rect);
    const Geometry other = otherSetGeometry(o.attributes, s2, current);
    writeGeometryKeys(ini, section, QString(), s, current);
    writeGeometryKeys(ini, section, QString(), s2, other);
    if (storeBack) {
        writeGeometry(o.attributes, s, current);
        writeGeometry(o.attributes, s2, other);
    }
    if (o.kind == ObjectKind::Oscilloscope)
        if (const ScopePart *scope = model.scopeOf(a))
            writeScopeKeys(ini, section, *scope, removeClearedViews);

    const std::vector<ContentEntry> entries = parseContentList(o.content);
    if (entries.empty())
        return;
    ini.writeInteger(section, QStringLiteral("Obj"), int(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        const int kind = entries[i].kind;
        const QString prefix = elementPrefix(int(i) + 1);
        ini.writeInteger(section, prefix + QStringLiteral("Type"), kind);
        const ControlClass cls = controlClassOf(kind);
        DashElement *e = model.element(entries[i]);
        if (cls == ControlClass::None || cls == ControlClass::Timer || !e)
            continue;
        if (kind == ElementKind::OscScale)
            ini.writeInteger(section, prefix + QStringLiteral("Scale"), readAttributeInt(e->attributes, 5));
        else if (writesColour(kind))
            ini.writeString(section, prefix + QStringLiteral("Color"), colourToText(e->colour()));
        const Geometry ec = Geometry::of(e->rect);
        const Geometry eo = otherSetGeometry(e->attributes, s2, ec);
        writeGeometryKeys(ini, section, prefix, s, ec);
        writeGeometryKeys(ini, section, prefix, s2, eo);
        if (storeBack) {
            writeGeometry(e->attributes, s, ec);
            writeGeometry(e->attributes, s2, eo);
        }
    }
}

LayoutSaveResult saveIni(const IniFile &ini, const QString &path, QString *error)
{
    return ini.save(path, error) ? LayoutSaveResult::Saved : LayoutSaveResult::Failed;
}

// The file an in-place writer starts from: empty when there is none yet; a file that exists but
// cannot be read must not be replaced by a file holding only the new keys.
bool loadExisting(const QString &path, IniFile &ini, QString *error)
{
    ini = IniFile::load(path);
    if (!ini.exists() && QFile::exists(path)) {
        if (error)
            *error = QStringLiteral("cannot read ") + path;
        return false;
    }
    return true;
}

} // namespace

void reportLayoutSave(LayoutSaveResult result, MessageSink &sink)
{
    if (result == LayoutSaveResult::Failed)
        sink.showMessage(LayoutMessageKind, QString::fromLatin1(LayoutSaveFailedKey), MsgColour::Error);
    else if (result == LayoutSaveResult::Full)
        sink.showMessage(LayoutMessageKind, QString::fromLatin1(LayoutFullKey), MsgColour::Warning);
}

void readLayout(DashboardModel &model, const IniFile &ini, const LayoutReadOptions &options)
{
    const int s = safeActiveSet(model.activeSet);
    for (int n = 1; n <= DashboardModel::MaxObjects; ++n) {
        const QString section = sectionName(n);
        if (!ini.hasSection(section))
            continue;
        int kind = ini.readInteger(section, QStringLiteral("Tag"), 0);
        if (kind < 0 || kind > 255)
            kind = 0;
        const int page = ini.readInteger(section, QStringLiteral("Page"), 1) & 0xFF;
        const std::array<Geometry, 2> geometry = readGeometryBoth(ini, section, QString(), s, DashboardModel::NewPanelWidth,
                                                                  DashboardModel::NewPanelHeight);
        std::optional<ScopePart> scope;
        if (kind == ObjectKind::Oscilloscope) {
            ScopePart p;
            p.Exp = uint8_t(saneExp(ini.readInteger(section, QStringLiteral("Expand"), 100)));
            for (int i = 1; i <= 24; ++i)
                p.View[size_t(i)] = ini.readBool(section, QStringLiteral("View_") + QString::number(i), false);
            for (int i = 1; i <= ScaleGroupCount; ++i)
                p.Range[size_t(i)] = saneRange(i, ini.readInteger(section, QStringLiteral("Range_") + QString::number(i), 0));
            scope = p;
        }
        const int a = model.addObject(kind, page, geometry, scope);
        if (a < 0)
            break;
        const QRect panel = model.object(a)->rect;

        const int count = std::clamp(ini.readInteger(section, QStringLiteral("Obj"), 0), 0, MaxElementsPerObject);
        for (int k = 1; k <= count; ++k) {
            const QString prefix = elementPrefix(k);
            const int ekind = ini.readInteger(section, prefix + QStringLiteral("Type"), 0);
            const ControlClass cls = controlClassOf(ekind);
            // Fuel timers come back with their button; unused kinds create nothing.
            if (cls == ControlClass::None || cls == ControlClass::Timer)
                continue;
            ElementInit init;
            init.kind = ekind;
            if (cls == ControlClass::Text || cls == ControlClass::Button ||
                (cls == ControlClass::Image && ekind != ElementKind::Picture && ekind != ElementKind::OscScale))
                init.colour = readElementColour(ini, section, prefix, cls, options.fontColour);
            if (ekind == ElementKind::OscScale) {
                const int g = ini.readInteger(section, prefix + QStringLiteral("Scale"), 0);
                init.scale = g >= 0 && g <= ScaleGroupCount ? g : 0;
            }
            init.geometry = readGeometryBoth(ini, section, prefix, s, panel.width(), panel.height());
            model.addElement(a, init);
        }
    }
}

bool loadLayoutFile(DashboardModel &model, const QString &path, const LayoutReadOptions &options)
{
    if (!QFile::exists(path))
        return false;
    readLayout(model, IniFile::load(path), options);
    return true;
}

namespace {

IniFile layoutIni(DashboardModel &model)
{
    IniFile ini;
    int n = 0;
    for (size_t a = 0; a < model.objects.size(); ++a)
        if (model.objects[a])
            writeObjectSection(ini, sectionName(++n), model, int(a), true, false);
    return ini;
}

} // namespace

QByteArray layoutBytes(DashboardModel &model)
{
    return layoutIni(model).serialize();
}

LayoutSaveResult saveLayout(DashboardModel &model, const QString &path, QString *error)
{
    return saveIni(layoutIni(model), path, error);
}

LayoutSaveResult saveLayout(DashboardModel &model, const QString &path, const EditedObject *editing, QString *error)
{
    if (editing)
        return appendEditedObject(*editing, model.activeSet, path, error);
    return saveLayout(model, path, error);
}

LayoutSaveResult saveObject(const DashboardModel &model, int object, const QString &path, QString *error)
{
    if (!model.object(object)) {
        if (error)
            *error = QStringLiteral("no object ") + QString::number(object);
        return LayoutSaveResult::Failed;
    }
    IniFile ini;
    if (!loadExisting(path, ini, error))
        return LayoutSaveResult::Failed;
    // The writer stores nothing back here, so the model stays as it is.
    writeObjectSection(ini, sectionName(object + 1), const_cast<DashboardModel &>(model), object, false, true);
    return saveIni(ini, path, error);
}

int nextFreeSection(const IniFile &ini)
{
    int last = 0;
    for (int n = 1; n <= DashboardModel::MaxObjects; ++n)
        if (ini.hasSection(sectionName(n)))
            last = n;
    if (last < DashboardModel::MaxObjects)
        return last + 1;
    // Sections up to 50 with gaps: fill a gap rather than merge into an existing object.
    for (int n = 1; n <= DashboardModel::MaxObjects; ++n)
        if (!ini.hasSection(sectionName(n)))
            return n;
    return 0;
}

// The working file and the empty section an append writes: Failed when the file cannot be read,
// Full when the reader's 50 sections are taken, Saved when section is ready.
static LayoutSaveResult openAppendSection(const QString &path, IniFile &ini, QString &section, QString *error)
{
    if (!loadExisting(path, ini, error))
        return LayoutSaveResult::Failed;
    const int n = nextFreeSection(ini);
    if (n == 0)
        return LayoutSaveResult::Full;
    section = sectionName(n);
    ini.eraseSection(section);
    return LayoutSaveResult::Saved;
}

LayoutSaveResult appendEditedObject(const EditedObject &edited, int activeSet, const QString &path, QString *error)
{
    IniFile ini;
    QString section;
    if (const LayoutSaveResult opened = openAppendSection(path, ini, section, error); opened != LayoutSaveResult::Saved)
        return opened;
    const int s = safeActiveSet(activeSet);
    const int s2 = otherSet(s);
    const int kind = edited.frames.empty() ? 0 : edited.frames.front().kind;
    ini.writeInteger(section, QStringLiteral("Tag"), kind);
    ini.writeInteger(section, QStringLiteral("Page"), edited.page);
    if (kind == ObjectKind::Oscilloscope)
        writeScopeKeys(ini, section, edited.scope, false);
    if (!edited.frames.empty()) {
        ini.writeInteger(section, QStringLiteral("Obj"), int(edited.frames.size()) - 1);
        const EditorFrame &f0 = edited.frames.front();
        const Geometry g0 = Geometry::of(f0.rect);
        writeGeometryKeys(ini, section, QString(), s, g0);
        writeGeometryKeys(ini, section, QString(), s2, otherSetGeometry(f0.attributes, s2, g0));
    }
    for (size_t k = 1; k < edited.frames.size(); ++k) {
        const EditorFrame &f = edited.frames[k];
        const QString prefix = elementPrefix(int(k));
        ini.writeInteger(section, prefix + QStringLiteral("Type"), f.kind);
        if (f.kind == ElementKind::OscScale)
            ini.writeInteger(section, prefix + QStringLiteral("Scale"), readAttributeInt(f.attributes, 5));
        ini.writeString(section, prefix + QStringLiteral("Color"),
                        colourToText(uint32_t(int32_t(readAttributeInt(f.attributes, 1)))));
        const Geometry g = Geometry::of(f.rect);
        writeGeometryKeys(ini, section, prefix, s, g);
        writeGeometryKeys(ini, section, prefix, s2, otherSetGeometry(f.attributes, s2, g));
    }
    return saveIni(ini, path, error);
}

LayoutSaveResult appendPictureObject(int activeSet, const QString &path, QString *error)
{
    IniFile ini;
    QString section;
    if (const LayoutSaveResult opened = openAppendSection(path, ini, section, error); opened != LayoutSaveResult::Saved)
        return opened;
    const int s = safeActiveSet(activeSet);
    const int s2 = otherSet(s);
    ini.writeInteger(section, QStringLiteral("Tag"), ObjectKind::Picture);
    ini.writeInteger(section, QStringLiteral("Page"), 2);
    const Geometry panel{160, 100, 10, 10};
    writeGeometryKeys(ini, section, QString(), s, panel);
    writeGeometryKeys(ini, section, QString(), s2, panel);
    ini.writeInteger(section, QStringLiteral("Obj"), 1);
    const QString prefix = elementPrefix(1);
    ini.writeInteger(section, prefix + QStringLiteral("Type"), ElementKind::Picture);
    ini.writeString(section, prefix + QStringLiteral("Color"), QStringLiteral("White"));
    const Geometry picture{156, 96, 2, 2};
    writeGeometryKeys(ini, section, prefix, s, picture);
    writeGeometryKeys(ini, section, prefix, s2, picture);
    return saveIni(ini, path, error);
}

bool importLayout(const QString &source, const QString &workingPath, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    const QByteArray bytes = in.readAll();
    QSaveFile out(workingPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) {
        if (error)
            *error = out.errorString();
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        if (error)
            *error = out.errorString();
        return false;
    }
    return true;
}

bool deleteLayout(DashboardModel &model, const QString &workingPath)
{
    model.clear();
    return !QFile::exists(workingPath) || QFile::remove(workingPath);
}

} // namespace qn
