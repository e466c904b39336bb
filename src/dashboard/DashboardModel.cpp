#include "dashboard/DashboardModel.h"

#include <QLocale>
#include <algorithm>

namespace qn {

ControlClass controlClassOf(int k)
{
    using namespace ElementKind;
    if (k < 0 || k > 255)
        return ControlClass::None;
    switch (k) {
    case LongName: case ShortName: case Current: case Minimum: case Maximum:
    case FuelLabel: case FuelShares: case FuelAmounts:
        return ControlClass::Text;
    case Averaging: case FuelAveraging: case OscButton: case OscExpand: case OscSqueeze:
    case OscStart: case OscLoad: case OscShow:
        return ControlClass::Button;
    case BarHorizontal: case BarVertical:
        return ControlClass::ProgressBar;
    case OscTrack:
        return ControlClass::TrackBar;
    case FuelTimer:
        return ControlClass::Timer;
    case Picture: case FixHorizontal: case FixVertical: case Trend: case OptimalMode:
    case FuelSplit: case OscDiagram: case OscLine: case OscScale:
        return ControlClass::Image;
    default:
        return ControlClass::None;
    }
}

DashList listOf(ControlClass cls)
{
    switch (cls) {
    case ControlClass::Text: return DashList::Texts;
    case ControlClass::Button: return DashList::Buttons;
    case ControlClass::ProgressBar: return DashList::Bars;
    case ControlClass::TrackBar: return DashList::Tracks;
    case ControlClass::Timer: return DashList::Timers;
    case ControlClass::Image: return DashList::Images;
    case ControlClass::None: break;
    }
    return DashList::Objects;
}

QString listPrefix(DashList list)
{
    switch (list) {
    case DashList::Objects: return QStringLiteral("BoxP_");
    case DashList::Texts: return QStringLiteral("Name_");
    case DashList::Bars: return QStringLiteral("BarP_");
    case DashList::Images: return QStringLiteral("Imag_");
    case DashList::Timers: return QStringLiteral("Timr_");
    case DashList::Buttons: return QStringLiteral("Butt_");
    case DashList::Tracks: return QStringLiteral("BarT_");
    }
    return {};
}

QString controlName(DashList list, int index)
{
    return listPrefix(list) + QString::number(index);
}

int indexFromName(const QString &name)
{
    if (name.size() <= 5)
        return -1;
    bool ok = false;
    const int v = name.mid(5).toInt(&ok);
    return ok ? v : -1;
}

int shownPage(int storedPage)
{
    return storedPage >= 0 && storedPage < PageCount ? storedPage : 2;
}

namespace {

QString attributeKey(int number)
{
    return QLatin1Char(' ') + QString::number(number) + QStringLiteral(": ");
}

} // namespace

double readAttribute(const QString &attributes, int number)
{
    const QString key = attributeKey(number);
    const qsizetype at = attributes.indexOf(key);
    if (at < 0)
        return -1;
    const qsizetype start = at + key.size();
    const qsizetype end = attributes.indexOf(QLatin1Char(' '), start);
    QString value = attributes.mid(start, end < 0 ? -1 : end - start);
    bool ok = false;
    if (value.contains(QLatin1Char('.')) || value.contains(QLatin1Char(','))) {
        value.replace(QLatin1Char(','), QLatin1Char('.'));
        const double d = value.toDouble(&ok);
        return ok ? d : -1;
    }
    const int i = value.toInt(&ok);
    return ok ? double(i) : -1;
}

int readAttributeInt(const QString &attributes, int number)
{
    const double d = readAttribute(attributes, number);
    if (!(d > -2147483648.0 && d < 2147483648.0))
        return -1;
    return int(d);
}

namespace {

void writeAttributeText(QString &attributes, int number, const QString &value)
{
    const QString key = attributeKey(number);
    const QString pair = key + value;
    const qsizetype at = attributes.indexOf(key);
    if (at < 0) {
        attributes += pair;
        return;
    }
    const qsizetype end = attributes.indexOf(QLatin1Char(' '), at + key.size());
    const QString tail = end < 0 ? QString() : attributes.mid(end);
    attributes = attributes.left(at) + pair + tail;
}

} // namespace

void writeAttribute(QString &attributes, int number, int value)
{
    writeAttributeText(attributes, number, QString::number(value));
}

void writeFractionalAttribute(QString &attributes, int number, double value)
{
    writeAttributeText(attributes, number, QString::number(value, 'f', QLocale::FloatingPointShortest));
}

Geometry readGeometry(const QString &attributes, int set)
{
    return {readAttributeInt(attributes, attributeOfSet(set, 0)), readAttributeInt(attributes, attributeOfSet(set, 1)),
            readAttributeInt(attributes, attributeOfSet(set, 2)), readAttributeInt(attributes, attributeOfSet(set, 3))};
}

void writeGeometry(QString &attributes, int set, const Geometry &g)
{
    writeAttribute(attributes, attributeOfSet(set, 0), g.width);
    writeAttribute(attributes, attributeOfSet(set, 1), g.height);
    writeAttribute(attributes, attributeOfSet(set, 2), g.x);
    writeAttribute(attributes, attributeOfSet(set, 3), g.y);
}

std::vector<ContentEntry> parseContentList(const QString &text)
{
    std::vector<ContentEntry> out;
    qsizetype pos = 0;
    while (pos < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('['), pos);
        const qsizetype colon = text.indexOf(QLatin1Char(':'), pos);
        const qsizetype close = text.indexOf(QLatin1Char(']'), pos);
        if (open < 0 || colon < 0 || close < 0 || !(open < colon && colon < close))
            break;
        bool okKind = false;
        bool okIndex = false;
        const int kind = text.mid(open + 1, colon - open - 1).toInt(&okKind);
        const int index = text.mid(colon + 1, close - colon - 1).toInt(&okIndex);
        if (!okKind || !okIndex || kind < 0 || kind > 255 || index < 0 || index > 255)
            break;
        out.push_back({uint8_t(kind), uint8_t(index)});
        pos = close + 1;
    }
    return out;
}

QString buildContentList(const std::vector<ContentEntry> &entries)
{
    QString out;
    for (const ContentEntry &e : entries)
        appendContentEntry(out, e.kind, e.index);
    return out;
}

void appendContentEntry(QString &text, int kind, int index)
{
    text += QLatin1Char('[') + QString::number(kind) + QLatin1Char(':') + QString::number(index) + QLatin1Char(']');
}

int findKind(const std::vector<ContentEntry> &entries, int kind)
{
    for (int i = int(entries.size()) - 1; i >= 0; --i)
        if (entries[size_t(i)].kind == kind)
            return i;
    return -1;
}

ScaleBounds scaleBounds(int group)
{
    static constexpr ScaleBounds table[ScaleGroupCount] = {
        {1000, 8000}, {500, 3200}, {100, 400}, {100, 1500}, {100, 2000}, {10, 100},
        {1000, 5000}, {1000, 5000}, {100, 1000}, {10, 250}, {100, 60000}};
    if (group < 1 || group > ScaleGroupCount)
        return {1, 1};
    return table[group - 1];
}

int saneRange(int group, int value)
{
    const ScaleBounds b = scaleBounds(group);
    if (value <= 0)
        return b.maximum;
    return std::clamp(value, b.minimum, b.maximum);
}

int saneExp(int value)
{
    return std::clamp(value, ExpMinimum, ExpMaximum);
}

ScopePart ScopePart::defaults()
{
    ScopePart p;
    for (int g = 1; g <= ScaleGroupCount; ++g)
        p.Range[size_t(g)] = scaleBounds(g).maximum;
    for (int n : {1, 2, 5, 6, 7, 8, 10, 11, 12, 13, 14})
        p.View[size_t(n)] = true;
    return p;
}

std::vector<std::optional<DashElement>> &DashboardModel::elements(DashList list)
{
    switch (list) {
    case DashList::Texts: return texts;
    case DashList::Bars: return bars;
    case DashList::Images: return images;
    case DashList::Timers: return timers;
    case DashList::Buttons: return buttons;
    case DashList::Tracks: return tracks;
    case DashList::Objects: break;
    }
    static std::vector<std::optional<DashElement>> none;
    none.clear();
    return none;
}

const std::vector<std::optional<DashElement>> &DashboardModel::elements(DashList list) const
{
    return const_cast<DashboardModel *>(this)->elements(list);
}

int DashboardModel::addObject(int kind, int page, const std::array<Geometry, 2> &geometry,
                              const std::optional<ScopePart> &scope)
{
    if (objects.size() >= size_t(MaxListSize) || kind < 0 || kind > 255)
        return -1;
    const int index = int(objects.size());
    DashObject o;
    o.kind = uint8_t(kind);
    const int s = activeSet == 2 ? 2 : 1;
    o.rect = geometry[size_t(s - 1)].rect();
    writeAttribute(o.attributes, 0, page);
    writeGeometry(o.attributes, s, geometry[size_t(s - 1)]);
    writeGeometry(o.attributes, otherSet(s), geometry[size_t(otherSet(s) - 1)]);
    if (kind == ObjectKind::Oscilloscope) {
        writeAttribute(o.attributes, 6, int(scopes.size()));
        ScopePart p = scope ? *scope : ScopePart::defaults();
        p.Box = index;
        p.Start = p.Load = p.Show = p.Track = p.Osc = -1;
        p.Num.clear();
        p.Img.clear();
        p.Btn.clear();
        scopes.push_back(std::move(p));
    }
    objects.push_back(std::move(o));
    return index;
}

int DashboardModel::addElement(int objectIndex, const ElementInit &init)
{
    using namespace ElementKind;
    DashObject *o = object(objectIndex);
    const ControlClass cls = controlClassOf(init.kind);
    if (!o || cls == ControlClass::None)
        return -1;
    auto &list = elements(listOf(cls));
    if (list.size() >= size_t(MaxListSize) || parseContentList(o->content).size() >= size_t(MaxElementsPerObject))
        return -1;
    const int index = int(list.size());
    const int s = activeSet == 2 ? 2 : 1;

    DashElement e;
    e.kind = uint8_t(init.kind);
    e.cls = cls;
    if (cls == ControlClass::Timer) {
        // A timer has no place of its own; it only ticks for its button.
        list.push_back(std::move(e));
        appendContentEntry(o->content, init.kind, index);
        return index;
    }
    e.objectKind = o->kind;
    e.rect = init.geometry[size_t(s - 1)].rect();
    writeAttribute(e.attributes, 0, objectIndex);
    writeGeometry(e.attributes, s, init.geometry[size_t(s - 1)]);
    writeGeometry(e.attributes, otherSet(s), init.geometry[size_t(otherSet(s) - 1)]);

    const bool scopeObject = o->kind == ObjectKind::Oscilloscope;
    ScopePart *scope = scopeObject ? scopeOf(objectIndex) : nullptr;
    const int scopeNumber = scopeObject ? readAttributeInt(o->attributes, 6) : -1;

    switch (cls) {
    case ControlClass::Text:
        writeAttribute(e.attributes, 1, int32_t(init.colour));
        if (init.kind == Minimum)
            writeAttribute(e.attributes, 5, 65000);
        break;
    case ControlClass::Button:
        writeAttribute(e.attributes, 1, int32_t(init.colour));
        if (scope) {
            writeAttribute(e.attributes, 6, scopeNumber);
            if (init.kind == OscButton) {
                writeAttribute(e.attributes, 7, int(scope->Btn.size()));
                scope->Btn.push_back(uint8_t(index));
            } else if (init.kind == OscStart) {
                scope->Start = index;
            } else if (init.kind == OscLoad) {
                scope->Load = index;
            } else if (init.kind == OscShow) {
                scope->Show = index;
            }
        }
        break;
    case ControlClass::Image:
        if (init.kind == OscScale)
            writeAttribute(e.attributes, 5, init.scale >= 0 && init.scale <= ScaleGroupCount ? init.scale : 0);
        else if (init.kind != Picture)
            writeAttribute(e.attributes, 1, int32_t(init.colour));
        if (scope) {
            writeAttribute(e.attributes, 6, scopeNumber);
            if (init.kind == OscDiagram) {
                scope->Osc = index;
            } else if (init.kind == OscScale) {
                writeAttribute(e.attributes, 7, int(scope->Img.size()));
                scope->Num.push_back(uint8_t(readAttributeInt(e.attributes, 5)));
                scope->Img.push_back(uint8_t(index));
            }
        }
        break;
    case ControlClass::TrackBar:
        if (init.kind == OscTrack && scope) {
            e.visible = false; // shown only while a file is loaded
            scope->Track = index;
            writeAttribute(e.attributes, 6, scopeNumber);
        }
        break;
    case ControlClass::ProgressBar:
    case ControlClass::Timer:
    case ControlClass::None:
        break;
    }
    list.push_back(std::move(e));
    appendContentEntry(o->content, init.kind, index);

    // The fuel calculator's averaging runs on a timer that belongs to the button's object.
    if (cls == ControlClass::Button && o->kind == ObjectKind::Fuel)
        addElement(objectIndex, ElementInit{FuelTimer, {}, 0, 0});
    return index;
}

void DashboardModel::deleteObject(int objectIndex)
{
    DashObject *o = object(objectIndex);
    if (!o)
        return;
    for (const ContentEntry &entry : parseContentList(o->content)) {
        const ControlClass cls = controlClassOf(entry.kind);
        if (cls == ControlClass::None)
            continue;
        auto &list = elements(listOf(cls));
        if (entry.index < list.size())
            list[entry.index].reset();
    }
    if (ScopePart *p = scopeOf(objectIndex))
        p->Box = -1;
    objects[size_t(objectIndex)].reset();
}

void DashboardModel::clear()
{
    texts.clear();
    bars.clear();
    images.clear();
    buttons.clear();
    tracks.clear();
    timers.clear();
    objects.clear();
    scopes.clear();
}

int DashboardModel::objectCount() const
{
    return int(std::count_if(objects.begin(), objects.end(), [](const auto &o) { return o.has_value(); }));
}

const DashObject *DashboardModel::object(int index) const
{
    if (index < 0 || size_t(index) >= objects.size() || !objects[size_t(index)])
        return nullptr;
    return &*objects[size_t(index)];
}

DashObject *DashboardModel::object(int index)
{
    return const_cast<DashObject *>(static_cast<const DashboardModel *>(this)->object(index));
}

const DashElement *DashboardModel::element(const ContentEntry &entry) const
{
    const ControlClass cls = controlClassOf(entry.kind);
    if (cls == ControlClass::None)
        return nullptr;
    const auto &list = elements(listOf(cls));
    if (entry.index >= list.size() || !list[entry.index])
        return nullptr;
    return &*list[entry.index];
}

DashElement *DashboardModel::element(const ContentEntry &entry)
{
    return const_cast<DashElement *>(static_cast<const DashboardModel *>(this)->element(entry));
}

std::vector<int> DashboardModel::objectsOnPage(int page) const
{
    std::vector<int> out;
    for (size_t i = 0; i < objects.size(); ++i)
        if (objects[i] && objects[i]->shownPage() == page)
            out.push_back(int(i));
    return out;
}

std::vector<int> DashboardModel::findElements(int objectIndex, int kind) const
{
    std::vector<int> out;
    const DashObject *o = object(objectIndex);
    if (!o)
        return out;
    for (const ContentEntry &entry : parseContentList(o->content))
        if (entry.kind == kind && element(entry))
            out.push_back(entry.index);
    return out;
}

ScopePart *DashboardModel::scopeOf(int objectIndex)
{
    if (objectIndex < 0)
        return nullptr;
    for (ScopePart &p : scopes)
        if (p.Box == objectIndex)
            return &p;
    return nullptr;
}

const ScopePart *DashboardModel::scopeOf(int objectIndex) const
{
    return const_cast<DashboardModel *>(this)->scopeOf(objectIndex);
}

} // namespace qn
