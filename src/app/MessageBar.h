#pragma once
// The message bar: one message at a time laid over the centre of the main window, a coloured text
// with, by message kind, a 100 ms countdown and a row of buttons. What happens when the countdown
// runs out or a button is pressed is decided by the kind; the program wires those actions
// (reconnect, close the program, open the file dialog, ...) through onCountdownEnded and onButton.
// This unit holds the state and the rules; MessageBarWidget only shows them.

#include "link/LinkHooks.h"
#include "platform/TTimer.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace qn {

class Language;
class TextMeasure;
struct ColourTables;

// Button codes of the bar and the caption key of each.
namespace MsgButton {
constexpr int Ok = 1;
constexpr int Yes = 2;
constexpr int No = 3;
constexpr int Cancel = 4;
constexpr int Set = 5;
} // namespace MsgButton

// The countdown (in 100 ms steps, 0 for none) and the buttons of a message kind. A kind that is not
// in the table has neither and stays until it is replaced.
struct MessageKindInfo {
    int countdownSteps = 0;
    std::vector<int> buttons;
};
MessageKindInfo messageKindInfo(int kind);

// The caption of a button: "OK" as it is, the others translated ("Yes", "No", "Cancel", "Set").
QString buttonCaption(int code, const Language &lang);

// The colour of a colour role: the general colours Msg_Action .. Msg_Error, or pure red.
uint32_t messageColour(MsgColour role, const ColourTables &colours);

// Where the parts of the bar go inside a client area of clientW x clientH pixels.
struct MessageBarGeometry {
    QRect outer;     // the panel, centred
    QRect label;     // the text, in the panel's coordinates
    QRect countdown; // empty without a countdown
    QRect buttons;   // the button row, empty without buttons
    int fontSize = 20;
};
// The panel is 300 pixels wide, at most 80 % of the client width and at most 80 % of the client
// height. The label is as high as its text wrapped at the label width in the bar font at size 20;
// a text lower than 80 pixels gets an 80 pixel label with the font fitted to it. The panel is the
// label plus 10, plus 10 for a countdown bar and 50 for a button row.
MessageBarGeometry layoutMessageBar(int clientW, int clientH, const QString &text, bool countdown,
                                    bool buttons, const TextMeasure &measure);

class MessageBar : public MessageSink {
public:
    static constexpr int TickMs = 100;
    static constexpr int CloseDelayMs = 100;
    static constexpr int CloseEvent = 3;
    static constexpr int FontSize = 20;

    // lang translates keys and button captions; colours gives the colour roles. Both must outlive
    // the bar.
    MessageBar(TimerHost &timers, Language &lang, const ColourTables &colours);
    ~MessageBar() override;
    MessageBar(const MessageBar &) = delete;
    MessageBar &operator=(const MessageBar &) = delete;

    // Replaces the message shown (its countdown never ends) with textOrKey, translated when
    // translate is set, in colour (ARGB).
    void show(bool translate, int kind, const QString &textOrKey, uint32_t colour);
    // MessageSink: a translated key in a colour role.
    void showMessage(int kind, const QString &key, MsgColour colour) override;
    int shownKind() const override { return m_visible ? m_kind : 0; }

    // A button of the shown message was pressed: its effect runs once (onButton), the countdown
    // stops, and the bar closes 100 ms later (event 3). Codes the message does not carry, and
    // presses after the message has been answered, are ignored.
    void press(int buttonCode);
    // Event 3: closes the message that posted it, if it is still the one shown; a newer message
    // stays.
    void closeFromEvent();
    // Closes whatever is shown.
    void close();

    // Program wiring.
    std::function<void(int code, int delayMs)> postEvent;
    std::function<void(int kind)> onCountdownEnded;
    std::function<void(int code, int kind)> onButton;
    // Called after every change of the view state below.
    std::function<void()> onChanged;

    struct Button {
        int code = 0;
        QString caption;
    };
    bool visible() const { return m_visible; }
    const QString &text() const { return m_text; }
    uint32_t colour() const { return m_colour; }
    int countdownMax() const { return m_countdownMax; }
    int countdownValue() const { return m_countdownValue; }
    bool hasCountdown() const { return m_countdownMax > 0; }
    const std::vector<Button> &buttons() const { return m_buttons; }
    // The buttons have been answered; the message closes shortly.
    bool answered() const { return m_answered; }
    // Grows by one with every message shown.
    uint64_t serial() const { return m_serial; }

    TTimer &timer() { return m_timer; }

private:
    void tick();
    void postClose();
    void changed();

    Language &m_lang;
    const ColourTables &m_colours;
    TTimer m_timer;

    bool m_visible = false;
    int m_kind = 0;
    QString m_text;
    uint32_t m_colour = 0;
    int m_countdownMax = 0;
    int m_countdownValue = 0;
    std::vector<Button> m_buttons;
    bool m_answered = false;
    uint64_t m_serial = 0;
    // The message whose close is waiting in the event queue (0: none).
    uint64_t m_closeSerial = 0;
};

} // namespace qn
