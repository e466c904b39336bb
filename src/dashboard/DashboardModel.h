#pragma once
// The dashboard as plain data: object panels, their elements in seven lists, the attribute string
// that every control carries, the content list that ties an object to its elements, and the
// oscilloscope part of kind-25 objects. The widgets mirror this model; every rule about names,
// attributes, content lists, pages and layout sets lives here so that it runs without a display.

#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace qn {

// Object kinds: 0 picture only, 1..24 a live-value parameter, 25 the oscilloscope.
namespace ObjectKind {
constexpr int Picture = 0;
constexpr int FirstParameter = 1;
constexpr int LastParameter = 24;
constexpr int Fuel = 16;
constexpr int Oscilloscope = 25;
} // namespace ObjectKind

// Element kinds that the rules single out.
namespace ElementKind {
constexpr int Picture = 0;
constexpr int LongName = 1;
constexpr int ShortName = 2;
constexpr int Current = 3;
constexpr int Minimum = 4;
constexpr int Maximum = 5;
constexpr int Averaging = 6;
constexpr int BarHorizontal = 7;
constexpr int BarVertical = 8;
constexpr int FixHorizontal = 9;
constexpr int FixVertical = 10;
constexpr int Trend = 11;
constexpr int OptimalMode = 12;
constexpr int FuelTimer = 13;
constexpr int FuelLabel = 14;
constexpr int FuelShares = 15;
constexpr int FuelSplit = 16;
constexpr int FuelAmounts = 17;
constexpr int FuelAveraging = 18;
constexpr int OscDiagram = 30;
constexpr int OscLine = 31;
constexpr int OscScale = 32;
constexpr int OscButton = 33;
constexpr int OscExpand = 34;
constexpr int OscSqueeze = 35;
constexpr int OscTrack = 36;
constexpr int OscStart = 37;
constexpr int OscLoad = 38;
constexpr int OscShow = 39;
} // namespace ElementKind

// The seven lists.
enum class DashList { Objects, Texts, Bars, Images, Timers, Buttons, Tracks };

// Control class of an element kind; None for the unused kinds 19..29 and 40..255 (and anything
// outside 0..255).
enum class ControlClass { None, Text, Button, ProgressBar, TrackBar, Timer, Image };
ControlClass controlClassOf(int elementKind);
// The list that holds elements of a control class (Objects for None).
DashList listOf(ControlClass cls);

// Name prefixes ("BoxP_", "Name_", "BarP_", "Imag_", "Timr_", "Butt_", "BarT_").
QString listPrefix(DashList list);
QString controlName(DashList list, int index);
// The index after the five-character prefix; -1 for an empty name or text that is no integer.
int indexFromName(const QString &name);

// Pages 0..5; any other stored page shows on page 2 (the stored number is kept).
constexpr int PageCount = 6;
int shownPage(int storedPage);

// Attribute strings: pairs " n: value". Reading gives -1 when the attribute is absent or its value
// unreadable; a value with "." or "," is a decimal fraction.
double readAttribute(const QString &attributes, int number);
int readAttributeInt(const QString &attributes, int number);
void writeAttribute(QString &attributes, int number, int value);
// Shortest decimal fraction with "." as separator (the averaging button's count and mean).
void writeFractionalAttribute(QString &attributes, int number, double value);

// Geometry attributes of layout set s (1 or 2): 10·s+1..10·s+4 hold width, height, x, y.
constexpr int attributeOfSet(int set, int field) { return 10 * set + 1 + field; }
struct Geometry {
    int width = -1;
    int height = -1;
    int x = -1;
    int y = -1;
    QRect rect() const { return QRect(x, y, width, height); }
    static Geometry of(const QRect &r) { return {r.width(), r.height(), r.x(), r.y()}; }
    bool operator==(const Geometry &) const = default;
};
Geometry readGeometry(const QString &attributes, int set);
void writeGeometry(QString &attributes, int set, const Geometry &g);
constexpr int otherSet(int set) { return set == 2 ? 1 : 2; }

// Content list: "[kind:index]" entries in creation order. Parsing stops at the first broken entry
// and keeps the entries before it; numbers outside 0..255 end the list as well.
struct ContentEntry {
    uint8_t kind = 0;
    uint8_t index = 0;
    bool operator==(const ContentEntry &) const = default;
};
std::vector<ContentEntry> parseContentList(const QString &text);
QString buildContentList(const std::vector<ContentEntry> &entries);
void appendContentEntry(QString &text, int kind, int index);
// Position of the last entry of that kind, -1 when none.
int findKind(const std::vector<ContentEntry> &entries, int kind);

// Scale groups 1..11 of the oscilloscope: bounds of the full-scale value (Range); the maximum is
// also the default.
struct ScaleBounds {
    int minimum;
    int maximum;
};
constexpr int ScaleGroupCount = 11;
ScaleBounds scaleBounds(int group); // group 1..11; others give {1, 1}
// A stored full-scale value made safe to divide by: 0 or less (absent) gives the group maximum,
// anything else is cut into the group's bounds.
int saneRange(int group, int value);
// Samples across the diagram: 5..100, default 100.
constexpr int ExpMinimum = 5;
constexpr int ExpMaximum = 100;
int saneExp(int value);

// The oscilloscope part of a kind-25 object: what the layout file carries (Exp, View, Range) and
// the element indexes its creation links.
struct ScopePart {
    uint8_t Exp = 100;
    int Box = -1;
    int Start = -1;
    int Load = -1;
    int Show = -1;
    int Track = -1;
    int Osc = -1;
    std::vector<uint8_t> Num; // scale group per scale image
    std::vector<uint8_t> Img; // image index per scale image
    std::vector<uint8_t> Btn; // button index per scale button
    std::array<int32_t, ScaleGroupCount + 1> Range{}; // 1..11
    std::array<bool, 25> View{};                      // 1..24
    // Exp 100, every range at its group maximum, the usual parameters shown.
    static ScopePart defaults();
};

struct DashElement {
    uint8_t kind = 0;       // element kind
    uint8_t objectKind = 0; // copied from the object panel
    ControlClass cls = ControlClass::None;
    QString attributes;
    QString hint; // trend history, averaging state; not the content list
    QRect rect;   // current size and position relative to the object panel
    bool visible = true;
    int object() const { return readAttributeInt(attributes, 0); }
    uint32_t colour() const { return uint32_t(int32_t(readAttributeInt(attributes, 1))); }
};

struct DashObject {
    uint8_t kind = 0;
    QString attributes; // page at 0, geometry, oscilloscope number at 6
    QString content;    // content list
    QRect rect;         // current size and position on its page
    int page() const { return readAttributeInt(attributes, 0); }
    int shownPage() const { return qn::shownPage(page()); }
};

// What a new element gets: kind, geometry per layout set (index 0 set 1, 1 set 2), colour and,
// for scale images, the scale group.
struct ElementInit {
    int kind = 0;
    std::array<Geometry, 2> geometry{};
    uint32_t colour = 0xFFFFFFFF;
    int scale = 0;
};

class DashboardModel {
public:
    static constexpr int MaxObjects = 50;   // sections a layout file holds
    static constexpr int MaxListSize = 256; // indexes are 8-bit
    // The element count of an object is an 8-bit number in the layout file.
    static constexpr int MaxElementsPerObject = 255;
    static constexpr int InnerMargin = 4;
    // Size of a new panel before its geometry is known.
    static constexpr int NewPanelWidth = 160;
    static constexpr int NewPanelHeight = 100;

    uint8_t activeSet = 1; // 1 at start-up; set 2 is carried along

    std::vector<std::optional<DashObject>> objects;
    std::vector<std::optional<DashElement>> texts, bars, images, timers, buttons, tracks;
    std::vector<ScopePart> scopes; // oscilloscope list, in creation order

    std::vector<std::optional<DashElement>> &elements(DashList list);
    const std::vector<std::optional<DashElement>> &elements(DashList list) const;

    // Appends an object panel (stored page kept as given); for kind 25 an oscilloscope part is
    // appended too (defaults when none given). Returns the object index, -1 when the list is full.
    int addObject(int kind, int page, const std::array<Geometry, 2> &geometry,
                  const std::optional<ScopePart> &scope = std::nullopt);
    // Appends an element to its class list and to the object's content list; a button of a fuel
    // object brings its fuel timer. Returns the index in the class list, or -1 when the kind has
    // no control, the object does not exist, or the list or the object is full.
    int addElement(int object, const ElementInit &init);
    // Frees the object's elements and the object; the slots stay empty.
    void deleteObject(int object);
    void clear();

    int objectCount() const; // non-empty slots
    bool isFull() const { return objectCount() >= MaxObjects; }
    const DashObject *object(int index) const;
    DashObject *object(int index);
    const DashElement *element(const ContentEntry &entry) const;
    DashElement *element(const ContentEntry &entry);
    // Objects shown on page 0..5, in object-list order.
    std::vector<int> objectsOnPage(int page) const;
    // Class-list indexes of the object's elements of that kind, in content-list order.
    std::vector<int> findElements(int object, int kind) const;
    // The oscilloscope part of object a (Box == a), nullptr when none.
    ScopePart *scopeOf(int object);
    const ScopePart *scopeOf(int object) const;
};

} // namespace qn
