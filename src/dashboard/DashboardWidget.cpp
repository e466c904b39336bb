#include "dashboard/DashboardWidget.h"

#include "dashboard/QtElementPainter.h"
#include "data/LiveValues.h"
#include "platform/TTimer.h"
#include "ui/Language.h"
#include "ui/QtTextMeasure.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace qn {

namespace {

// Sample text that value texts are fitted to: five digits fill any value the ECU reports.
const QString ValueSample = QStringLiteral("00000");

int atLeastOnePixel(double v)
{
    if (!std::isfinite(v))
        return 1;
    return std::max(1, int(std::lround(std::min(v, 1.0e6))));
}

int pixel(double v)
{
    if (!std::isfinite(v))
        return 0;
    return int(std::lround(std::clamp(v, -1.0e6, 1.0e6)));
}

QRect toPixels(const QRectF &r)
{
    return QRect(pixel(r.x()), pixel(r.y()), atLeastOnePixel(r.width()), atLeastOnePixel(r.height()));
}

// A control never gets a size of nothing, whatever the model holds.
QRect sane(const QRect &r)
{
    return QRect(r.x(), r.y(), std::max(1, r.width()), std::max(1, r.height()));
}

template <typename T>
T *at(const std::vector<T *> &v, int i)
{
    return i >= 0 && size_t(i) < v.size() ? v[size_t(i)] : nullptr;
}

template <typename T>
void growTo(std::vector<T> &v, size_t n)
{
    if (v.size() < n)
        v.resize(n);
}

bool scopeButtonWithoutHold(int kind)
{
    using namespace ElementKind;
    return kind == OscButton || kind == OscExpand || kind == OscSqueeze || kind == OscLoad || kind == OscShow;
}

bool scopeButtonRepeats(int kind)
{
    using namespace ElementKind;
    return kind == OscButton || kind == OscExpand || kind == OscSqueeze;
}

void setTextColour(QWidget *w, QPalette::ColorRole role, uint32_t argb)
{
    QPalette pal = w->palette();
    pal.setColor(role, QColor::fromRgba(argb));
    w->setPalette(pal);
}

} // namespace

// ---- image element ----

DashImageWidget::DashImageWidget(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

void DashImageWidget::setBitmap(QImage image)
{
    m_bitmap = std::move(image);
    update();
}

void DashImageWidget::clearBitmap()
{
    QImage img(std::max(1, width()), std::max(1, height()), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    setBitmap(std::move(img));
}

void DashImageWidget::paintEvent(QPaintEvent *)
{
    if (m_bitmap.isNull())
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform, m_bitmap.size() != size());
    p.drawImage(rect(), m_bitmap);
}

// ---- dashboard ----

DashboardWidget::DashboardWidget(DashboardModel &model, const LiveTable &live, const STS_Record &sts,
                                 Language &language, const Pages &pages, QObject *parent)
    : QObject(parent), m_model(model), m_live(live), m_sts(sts), m_language(language), m_pages(pages)
{
}

DashboardWidget::~DashboardWidget() { freeControls(); }

void DashboardWidget::setPicturePath(const QString &path)
{
    m_picturePath = path;
    m_pictureLoaded = false;
    m_picture = QImage();
}

void DashboardWidget::freeControls()
{
    m_fuelTimers.clear();
    // Elements are children of their panels; panels go last so that no element outlives its
    // vector slot.
    const auto freeAll = [](auto &list) {
        for (auto *w : list)
            delete w;
        list.clear();
    };
    freeAll(m_c.texts);
    freeAll(m_c.bars);
    freeAll(m_c.images);
    freeAll(m_c.buttons);
    freeAll(m_c.tracks);
    freeAll(m_c.objects);
    m_textShown.clear();
    m_exact.clear();
    m_state = DashboardDrawState{};
}

void DashboardWidget::clear()
{
    freeControls();
    m_model.clear();
}

void DashboardWidget::build()
{
    freeControls();
    m_measure = std::make_unique<QtTextMeasure>(m_sts.FNT_Family, m_sts.FNT_Style);
    m_c.objects.assign(m_model.objects.size(), nullptr);
    m_c.texts.assign(m_model.texts.size(), nullptr);
    m_c.bars.assign(m_model.bars.size(), nullptr);
    m_c.images.assign(m_model.images.size(), nullptr);
    m_c.buttons.assign(m_model.buttons.size(), nullptr);
    m_c.tracks.assign(m_model.tracks.size(), nullptr);
    m_textShown.assign(m_model.texts.size(), TextShown{});
    m_exact.assign(m_model.objects.size(), QRectF());
    m_fuelTimers.resize(m_model.timers.size());

    {
        Language::Session session(m_language);
        for (size_t a = 0; a < m_model.objects.size(); ++a)
            buildObject(int(a));
    }
    for (size_t a = 0; a < m_model.objects.size(); ++a)
        if (m_c.objects[a])
            fitObjectFonts(int(a), false);
}

void DashboardWidget::buildObject(int a)
{
    DashObject *o = m_model.object(a);
    if (!o)
        return;
    QWidget *page = m_pages[size_t(o->shownPage())];
    if (!page)
        return;
    auto *panel = new QFrame(page);
    panel->setObjectName(controlName(DashList::Objects, a));
    panel->setContentsMargins(DashboardModel::InnerMargin, DashboardModel::InnerMargin, DashboardModel::InnerMargin,
                              DashboardModel::InnerMargin);
    o->rect = sane(o->rect);
    m_exact[size_t(a)] = QRectF(o->rect);
    panel->setGeometry(o->rect);
    forwardPointers(panel);
    m_c.objects[size_t(a)] = panel;

    for (const ContentEntry &entry : parseContentList(o->content))
        createElement(entry, panel);
    placeElements(a);
    panel->show();
}

void DashboardWidget::createElement(const ContentEntry &entry, QFrame *panel)
{
    using namespace ElementKind;
    DashElement *e = m_model.element(entry);
    if (!e)
        return;
    const int i = entry.index;
    const int kind = entry.kind;
    const QString name = controlName(listOf(e->cls), i);
    const QFont font = m_measure->font(m_sts.FNT_Size);

    switch (e->cls) {
    case ControlClass::Text: {
        if (!at(m_c.texts, i) && size_t(i) < m_c.texts.size()) {
            auto *label = new QLabel(panel);
            label->setObjectName(name);
            // Names and values can come from the ECU or a file: never interpreted as markup.
            label->setTextFormat(Qt::PlainText);
            label->setWordWrap(kind == LongName);
            label->setFont(font);
            setTextColour(label, QPalette::WindowText, e->colour());
            m_textShown[size_t(i)] = {e->colour(), m_sts.FNT_Size};
            if (kind == LongName)
                label->setText(longNameWithUnit(e->objectKind, m_language, m_perHundredKm));
            else if (kind == ShortName)
                label->setText(shortNameWithUnit(e->objectKind, m_language, m_perHundredKm));
            forwardPointers(label);
            label->show();
            m_c.texts[size_t(i)] = label;
        }
        break;
    }
    case ControlClass::Button: {
        if (!at(m_c.buttons, i) && size_t(i) < m_c.buttons.size()) {
            auto *b = new QToolButton(panel);
            b->setObjectName(name);
            b->setToolButtonStyle(Qt::ToolButtonTextOnly);
            b->setFont(font);
            setTextColour(b, QPalette::ButtonText, e->colour());
            const bool scope = e->objectKind == ObjectKind::Oscilloscope;
            b->setCheckable(!(scope && scopeButtonWithoutHold(kind)));
            b->setAutoRepeat(scope && scopeButtonRepeats(kind));
            b->setText(fixedCaption(*e));
            connect(b, &QToolButton::clicked, this, [this, i](bool down) { emit buttonClicked(i, down); });
            b->show();
            m_c.buttons[size_t(i)] = b;
        }
        break;
    }
    case ControlClass::ProgressBar: {
        if (!at(m_c.bars, i) && size_t(i) < m_c.bars.size()) {
            auto *bar = new QProgressBar(panel);
            bar->setObjectName(name);
            bar->setTextVisible(false);
            bar->setOrientation(kind == BarVertical ? Qt::Vertical : Qt::Horizontal);
            // A range of 0..0 would turn the bar into a busy indicator.
            const int maximum = LiveTable::inRange(e->objectKind) ? m_live[e->objectKind].maximum : 0;
            bar->setRange(0, std::max(1, maximum));
            bar->setValue(0);
            forwardPointers(bar);
            bar->show();
            m_c.bars[size_t(i)] = bar;
        }
        break;
    }
    case ControlClass::Image: {
        if (!at(m_c.images, i) && size_t(i) < m_c.images.size()) {
            auto *img = new DashImageWidget(panel);
            img->setObjectName(name);
            forwardPointers(img);
            img->show();
            m_c.images[size_t(i)] = img;
        }
        break;
    }
    case ControlClass::TrackBar: {
        if (!at(m_c.tracks, i) && size_t(i) < m_c.tracks.size()) {
            auto *t = new QSlider(Qt::Horizontal, panel);
            t->setObjectName(name);
            connect(t, &QSlider::valueChanged, this, [this, i](int v) { emit trackChanged(i, v); });
            t->setVisible(e->visible);
            m_c.tracks[size_t(i)] = t;
        }
        break;
    }
    case ControlClass::Timer: {
        if (size_t(i) < m_fuelTimers.size() && m_timerHost && !m_fuelTimers[size_t(i)].timer) {
            FuelTimer &ft = m_fuelTimers[size_t(i)];
            ft.timer = std::make_unique<TTimer>(*m_timerHost, 1000);
            TTimer *t = ft.timer.get();
            t->onTimer = [this, i, t] {
                t->setEnabled(false);
                ++m_fuelTimers[size_t(i)].seconds;
                t->setEnabled(true);
            };
        }
        break;
    }
    case ControlClass::None:
        break;
    }
}

QString DashboardWidget::fixedCaption(const DashElement &e) const
{
    using namespace ElementKind;
    switch (e.kind) {
    case Averaging:
    case FuelAveraging:
        return m_language.text(QStringLiteral("Averaging"));
    case OscButton:
        return m_language.text(QStringLiteral("Scale"));
    case OscExpand:
        return QStringLiteral("< >");
    case OscSqueeze:
        return QStringLiteral("> <");
    case OscStart:
        return m_language.text(QStringLiteral("Start"));
    case OscLoad:
        return m_language.text(QStringLiteral("Load"));
    case OscShow:
        return m_language.text(QStringLiteral("Show"));
    default:
        return QString();
    }
}

void DashboardWidget::placeElements(int a)
{
    DashObject *o = m_model.object(a);
    if (!o)
        return;
    const int s = m_model.activeSet == 2 ? 2 : 1;
    const Geometry od = readGeometry(o->attributes, s);
    // Without a usable design size the elements keep their design geometry.
    const QSizeF now = m_exact[size_t(a)].size();
    const QSizeF design = od.width > 0 && od.height > 0 ? QSizeF(od.width, od.height) : now;
    const ElementScale scale = elementScale(design, now);
    for (const ContentEntry &entry : parseContentList(o->content)) {
        DashElement *e = m_model.element(entry);
        QWidget *w = control(listOf(controlClassOf(entry.kind)), entry.index);
        if (!e || !w)
            continue;
        const Geometry ed = readGeometry(e->attributes, s);
        const QRectF designRect = ed.width > 0 && ed.height > 0 ? QRectF(ed.rect()) : QRectF(sane(e->rect));
        e->rect = toPixels(scaleElement(designRect, scale));
        w->setGeometry(e->rect);
    }
}

void DashboardWidget::fitObjectFonts(int a, bool afterRescale)
{
    using namespace ElementKind;
    const DashObject *o = m_model.object(a);
    if (!o || !m_measure)
        return;
    for (const ContentEntry &entry : parseContentList(o->content)) {
        const DashElement *e = m_model.element(entry);
        if (!e)
            continue;
        const double W = e->rect.width(), H = e->rect.height();
        switch (e->cls) {
        case ControlClass::Text:
            if (QLabel *label = text(entry.index)) {
                // Names fill their box; value texts are sized for five digits so that they keep
                // their size while the value changes.
                const bool name = entry.kind == LongName || entry.kind == ShortName;
                const int start = afterRescale ? m_textShown[entry.index].fontSize : m_sts.FNT_Size;
                const int size = name ? textFit(label->text(), W, H, start, *m_measure)
                                      : boxFit(ValueSample, W, H, m_sts.FNT_Size, *m_measure);
                if (size != m_textShown[entry.index].fontSize || !afterRescale) {
                    label->setFont(m_measure->font(size));
                    m_textShown[entry.index].fontSize = size;
                }
            }
            break;
        case ControlClass::Button:
            if (QToolButton *b = button(entry.index))
                b->setFont(m_measure->font(boxFit(b->text(), W, H, m_sts.FNT_Size, *m_measure)));
            break;
        case ControlClass::Image:
            if (DashImageWidget *img = image(entry.index)) {
                if (entry.kind == Picture)
                    drawPicture(img);
                else if (!afterRescale)
                    img->clearBitmap();
                // After a rescale the old picture is shown stretched until the next refresh.
            }
            break;
        default:
            break;
        }
    }
}

void DashboardWidget::drawPicture(DashImageWidget *img)
{
    if (!m_pictureLoaded) {
        m_pictureLoaded = true;
        if (!m_picturePath.isEmpty())
            m_picture.load(m_picturePath);
    }
    if (m_picture.isNull()) {
        if (img->bitmap().isNull())
            img->clearBitmap();
        return;
    }
    QImage bmp(std::max(1, img->width()), std::max(1, img->height()), QImage::Format_ARGB32_Premultiplied);
    bmp.fill(Qt::transparent);
    QPainter p(&bmp);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(bmp.rect(), m_picture);
    p.end();
    img->setBitmap(std::move(bmp));
}

void DashboardWidget::deleteObject(int a)
{
    const DashObject *o = m_model.object(a);
    if (!o)
        return;
    for (const ContentEntry &entry : parseContentList(o->content)) {
        const size_t i = entry.index;
        switch (controlClassOf(entry.kind)) {
        case ControlClass::Text:
            if (i < m_c.texts.size()) {
                delete m_c.texts[i];
                m_c.texts[i] = nullptr;
            }
            break;
        case ControlClass::Button:
            if (i < m_c.buttons.size()) {
                delete m_c.buttons[i];
                m_c.buttons[i] = nullptr;
            }
            break;
        case ControlClass::ProgressBar:
            if (i < m_c.bars.size()) {
                delete m_c.bars[i];
                m_c.bars[i] = nullptr;
            }
            break;
        case ControlClass::Image:
            if (i < m_c.images.size()) {
                delete m_c.images[i];
                m_c.images[i] = nullptr;
            }
            break;
        case ControlClass::TrackBar:
            if (i < m_c.tracks.size()) {
                delete m_c.tracks[i];
                m_c.tracks[i] = nullptr;
            }
            break;
        case ControlClass::Timer:
            if (i < m_fuelTimers.size())
                m_fuelTimers[i] = FuelTimer{};
            break;
        case ControlClass::None:
            break;
        }
    }
    if (size_t(a) < m_c.objects.size()) {
        delete m_c.objects[size_t(a)];
        m_c.objects[size_t(a)] = nullptr;
    }
    m_model.deleteObject(a);
}

RescaleFactors DashboardWidget::rescale(WindowSizes &remembered, const WindowSizes &now)
{
    std::vector<Box> boxes;
    for (size_t a = 0; a < m_model.objects.size(); ++a)
        if (const DashObject *o = m_model.object(int(a)))
            boxes.push_back(Box{int(a), o->page(), a < m_exact.size() && m_c.objects[a] ? m_exact[a] : QRectF(o->rect)});
    const RescaleFactors f = rescaleToWindow(boxes, remembered, now);
    for (const Box &b : boxes) {
        if (objectPanel(b.id)) {
            m_exact[size_t(b.id)] = b.rect;
            rescaleObject(b.id);
        } else if (DashObject *o = m_model.object(b.id)) {
            o->rect = toPixels(b.rect); // no controls (no page to show it on): the model follows
        }
    }
    return f;
}

void DashboardWidget::setObjectRect(int a, const QRect &rect)
{
    if (!m_model.object(a) || !objectPanel(a))
        return;
    m_exact[size_t(a)] = QRectF(sane(rect));
    rescaleObject(a);
}

void DashboardWidget::rescaleObject(int a)
{
    DashObject *o = m_model.object(a);
    QFrame *panel = objectPanel(a);
    if (!o || !panel)
        return;
    o->rect = toPixels(m_exact[size_t(a)]);
    panel->setGeometry(o->rect);
    placeElements(a);
    fitObjectFonts(a, true);
}

QFrame *DashboardWidget::objectPanel(int a) const { return at(m_c.objects, a); }
QLabel *DashboardWidget::text(int i) const { return at(m_c.texts, i); }
QToolButton *DashboardWidget::button(int i) const { return at(m_c.buttons, i); }
QProgressBar *DashboardWidget::bar(int i) const { return at(m_c.bars, i); }
DashImageWidget *DashboardWidget::image(int i) const { return at(m_c.images, i); }
QSlider *DashboardWidget::track(int i) const { return at(m_c.tracks, i); }

QWidget *DashboardWidget::control(DashList list, int i) const
{
    switch (list) {
    case DashList::Objects:
        return objectPanel(i);
    case DashList::Texts:
        return text(i);
    case DashList::Bars:
        return bar(i);
    case DashList::Images:
        return image(i);
    case DashList::Buttons:
        return button(i);
    case DashList::Tracks:
        return track(i);
    case DashList::Timers:
        return nullptr;
    }
    return nullptr;
}

bool DashboardWidget::buttonDown(int i) const
{
    const QToolButton *b = button(i);
    return b && b->isChecked();
}

void DashboardWidget::setElementText(int i, const QString &t)
{
    QLabel *label = text(i);
    if (label && label->text() != t)
        label->setText(t);
}

void DashboardWidget::setBarValue(int i, int value, int maximum)
{
    QProgressBar *b = bar(i);
    if (!b)
        return;
    const int m = std::max(1, maximum);
    if (b->maximum() != m)
        b->setRange(0, m);
    // A value outside the range would be dropped by the bar and leave the old one showing.
    const int v = std::clamp(value, 0, m);
    if (b->value() != v)
        b->setValue(v);
}

bool DashboardWidget::fuelTimerRunning(int i) const
{
    return i >= 0 && size_t(i) < m_fuelTimers.size() && m_fuelTimers[size_t(i)].timer &&
           m_fuelTimers[size_t(i)].timer->enabled();
}

int DashboardWidget::fuelTimerSeconds(int i) const
{
    return i >= 0 && size_t(i) < m_fuelTimers.size() ? m_fuelTimers[size_t(i)].seconds : 0;
}

void DashboardWidget::refresh(RefreshInputs in)
{
    in.buttonDown = [this](int i) { return buttonDown(i); };
    in.fuelTimerSeconds = 0;
    for (size_t i = 0; i < m_model.timers.size(); ++i)
        if (m_model.timers[i]) {
            in.fuelTimerSeconds = fuelTimerSeconds(int(i));
            break;
        }
    refreshDashboard(m_model, in, m_state);
    applyRefresh(m_state);
}

void DashboardWidget::applyRefresh(const DashboardDrawState &state)
{
    const size_t nt = std::min(state.texts.size(), m_c.texts.size());
    for (size_t i = 0; i < nt; ++i) {
        const TextDrawState &s = state.texts[i];
        QLabel *label = m_c.texts[i];
        if (!s.changed || !label)
            continue;
        const bool textChanged = label->text() != s.text;
        if (textChanged)
            label->setText(s.text);
        if (label->wordWrap() != s.wordWrap)
            label->setWordWrap(s.wordWrap);
        TextShown &shown = m_textShown[i];
        if (shown.colour != s.colour) {
            setTextColour(label, QPalette::WindowText, s.colour);
            shown.colour = s.colour;
        }
        if (s.fitFont && textChanged && m_measure) {
            const int size = boxFit(s.text, label->width(), label->height(), m_sts.FNT_Size, *m_measure) + 4;
            if (size != shown.fontSize) {
                label->setFont(m_measure->font(size));
                shown.fontSize = size;
            }
        }
    }
    const size_t nb = std::min(state.bars.size(), m_c.bars.size());
    for (size_t i = 0; i < nb; ++i)
        if (state.bars[i].changed)
            setBarValue(int(i), state.bars[i].value, state.bars[i].maximum);
    const size_t nbt = std::min(state.buttons.size(), m_c.buttons.size());
    for (size_t i = 0; i < nbt; ++i) {
        QToolButton *b = m_c.buttons[i];
        if (state.buttons[i].changed && b && b->text() != state.buttons[i].text)
            b->setText(state.buttons[i].text);
    }
    const size_t ni = std::min(state.images.size(), m_c.images.size());
    for (size_t i = 0; i < ni; ++i) {
        DashImageWidget *img = m_c.images[i];
        if (!state.images[i].changed || !img)
            continue;
        QImage painted = QtElementPainter::paint(state.images[i]);
        if (!painted.isNull())
            img->setBitmap(std::move(painted));
    }
    const size_t nf = std::min(state.timers.size(), m_fuelTimers.size());
    for (size_t i = 0; i < nf; ++i) {
        const TimerDrawState &s = state.timers[i];
        FuelTimer &ft = m_fuelTimers[i];
        if (!s.changed || s.action == TimerAction::None)
            continue;
        if (s.action == TimerAction::Start) {
            ft.seconds = 0;
            if (ft.timer)
                ft.timer->setEnabled(true);
        } else if (ft.timer) {
            ft.timer->setEnabled(false);
        }
    }
}

void DashboardWidget::forwardPointers(QWidget *w)
{
    w->installEventFilter(this);
}

bool DashboardWidget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QObject::eventFilter(watched, event);
    const QString name = watched->objectName();
    const int index = indexFromName(name);
    DashList list = DashList::Objects;
    bool known = false;
    for (DashList l : {DashList::Objects, DashList::Texts, DashList::Bars, DashList::Images}) {
        if (name.startsWith(listPrefix(l))) {
            list = l;
            known = true;
            break;
        }
    }
    if (!known || index < 0)
        return QObject::eventFilter(watched, event);
    const QPointF global = static_cast<QMouseEvent *>(event)->globalPosition();
    if (type == QEvent::MouseButtonPress)
        emit pointerPressed(list, index, global);
    else if (type == QEvent::MouseMove)
        emit pointerMoved(list, index, global);
    else
        emit pointerReleased(list, index, global);
    // Handled here, so that the panel under a text does not report the same press again.
    return true;
}

} // namespace qn
