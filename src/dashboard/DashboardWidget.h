#pragma once
// The dashboard on screen: one frame per object panel on its page and, per element, the control of
// its class, named as the model names it (BoxP_3, Name_12, ...). Every rule about objects, elements,
// names, layout sets and attributes lives in DashboardModel; this class mirrors the model with
// controls, keeps their sizes in step with the objects when the window changes, and shows what a
// refresh computed. Fuel timers have no control: their state lives in the model and the fuel
// calculator.

#include "dashboard/DashboardModel.h"
#include "dashboard/Refresh.h"
#include "dashboard/edit/Fitting.h"

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class QFrame;
class QLabel;
class QProgressBar;
class QSlider;
class QToolButton;

namespace qn {

class Language;
class LiveTable;
class QtTextMeasure;
class TTimer;
class TimerHost;
struct STS_Record;

// An image element: shows its bitmap stretched over the control. The bitmap has the control's size
// and is replaced or repainted by the refresh.
class DashImageWidget final : public QWidget {
public:
    explicit DashImageWidget(QWidget *parent = nullptr);
    const QImage &bitmap() const { return m_bitmap; }
    // Takes a new bitmap and schedules a repaint.
    void setBitmap(QImage image);
    // A cleared (transparent) bitmap of the control's current size, at least 1 x 1.
    void clearBitmap();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_bitmap;
};

class DashboardWidget final : public QObject {
    Q_OBJECT
public:
    // The six page containers: 0 the bottom panel, 1..5 the contents of the five page scroll boxes.
    using Pages = std::array<QWidget *, PageCount>;

    DashboardWidget(DashboardModel &model, const LiveTable &live, const STS_Record &sts, Language &language,
                    const Pages &pages, QObject *parent = nullptr);
    ~DashboardWidget() override;

    // The program picture shown by picture elements (kind 0); nothing is drawn when it is missing.
    void setPicturePath(const QString &path);
    // Chooses the consumption unit in the long and short names (per 100 km while connected and the
    // ECU says so); takes effect at the next build.
    void setPerHundredKm(bool on) { m_perHundredKm = on; }
    // Host of the fuel timers (one second per tick); without one the fuel timers never count.
    // Takes effect at the next build.
    void setTimerHost(TimerHost *host) { m_timerHost = host; }

    // Creates the controls of every object in the model (freeing any built before), sets the fixed
    // captions and fits the fonts. The caller runs one refresh afterwards. An object whose page
    // container is missing is left without controls.
    void build();
    // Frees every control and empties the model.
    void clear();
    // Frees the controls of one object and its slots in the model (the lists keep their length).
    void deleteObject(int object);

    // After a change of window size: scales every object by the factors of its set (bottom panel or
    // pages), remembers the new sizes and fits the elements to their objects. Returns the factors.
    RescaleFactors rescale(WindowSizes &remembered, const WindowSizes &now);
    // Gives an object a new rectangle on its page and fits its elements to the new size.
    void setObjectRect(int object, const QRect &rect);
    // Fits the elements of an object to the object's current size.
    void rescaleObject(int object);

    // Controls by list index; nullptr for an empty slot or an index out of range.
    QFrame *objectPanel(int object) const;
    QLabel *text(int index) const;
    QToolButton *button(int index) const;
    QProgressBar *bar(int index) const;
    DashImageWidget *image(int index) const;
    QSlider *track(int index) const;
    QWidget *control(DashList list, int index) const;
    // Whether a button element is down (averaging buttons and the oscilloscope's start button stay
    // down when clicked).
    bool buttonDown(int index) const;

    // Shows a text, setting it only when it changed (the refresh runs after every live-data answer).
    void setElementText(int index, const QString &text);
    // Sets a progress bar's maximum (at least 1) and its value, cut into that range.
    void setBarValue(int index, int value, int maximum);

    // One refresh: runs the refresh walk on the model with the buttons' pressed states and the fuel
    // timer's seconds filled in, then shows the result.
    void refresh(RefreshInputs inputs);
    // Shows what a refresh walk computed: texts and captions only when they changed, bar values,
    // images repainted, fuel timers started or stopped.
    void applyRefresh(const DashboardDrawState &state);
    const DashboardDrawState &drawState() const { return m_state; }

    // Fuel timers (timer list index): whether it runs, and the seconds since its start.
    bool fuelTimerRunning(int index) const;
    int fuelTimerSeconds(int index) const;

signals:
    // Button click and track-bar change, with the element's list index.
    void buttonClicked(int index, bool down);
    void trackChanged(int index, int value);
    // Mouse press, move and release on object panels, texts, bars and images (for the editor and
    // the page gestures), with the element's list and index and the position on the screen.
    void pointerPressed(qn::DashList list, int index, QPointF globalPos);
    void pointerMoved(qn::DashList list, int index, QPointF globalPos);
    void pointerReleased(qn::DashList list, int index, QPointF globalPos);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Controls {
        std::vector<QFrame *> objects;
        std::vector<QLabel *> texts;
        std::vector<QProgressBar *> bars;
        std::vector<DashImageWidget *> images;
        std::vector<QToolButton *> buttons;
        std::vector<QSlider *> tracks;
    };

    struct FuelTimer {
        std::unique_ptr<TTimer> timer;
        int seconds = 0;
    };
    struct TextShown {
        uint32_t colour = 0;
        int fontSize = 0;
    };

    void freeControls();
    void buildObject(int object);
    void createElement(const ContentEntry &entry, QFrame *panel);
    void placeElements(int object);
    void fitObjectFonts(int object, bool afterRescale);
    void drawPicture(DashImageWidget *image);
    QString fixedCaption(const DashElement &e) const;
    void forwardPointers(QWidget *w);

    DashboardModel &m_model;
    const LiveTable &m_live;
    const STS_Record &m_sts;
    Language &m_language;
    Pages m_pages;
    Controls m_c;
    std::vector<TextShown> m_textShown;   // per text list index
    std::vector<QRectF> m_exact;          // per object: its rectangle before rounding to pixels
    std::vector<FuelTimer> m_fuelTimers;  // per timer list index
    DashboardDrawState m_state;
    TimerHost *m_timerHost = nullptr;
    std::unique_ptr<QtTextMeasure> m_measure;
    QString m_picturePath;
    QImage m_picture;
    bool m_pictureLoaded = false;
    bool m_perHundredKm = false;
};

} // namespace qn
