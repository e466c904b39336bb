#include "app/MessageBar.h"

#include "ui/Language.h"
#include "ui/STS_Record.h"
#include "ui/TextFit.h"

#include <algorithm>
#include <cmath>

namespace qn {

MessageKindInfo messageKindInfo(int kind)
{
    using namespace MsgButton;
    switch (kind) {
    case 2: return {10, {}};     // connected
    case 3: return {20, {}};     // layout saved
    case 5: return {0, {Ok}};    // serial port error, cannot save
    case 7: return {20, {Ok}};   // not paired, recording saved
    case 20: return {30, {}};    // old firmware: the close-program message follows
    case 21: return {10, {}};    // closing the program
    case 22: return {200, {Cancel}}; // connecting: 20 s for the connect script
    case 23: return {10, {}};    // link lost
    case 24: return {10, {}};    // connect failed
    case 25:                     // fit to screen
    case 26:                     // clean the dashboard
    case 27:                     // save the layout before the default one
    case 29:                     // save the layout before loading
    case 30:                     // editor question
    case 31:                     // save the recording
        return {0, {Yes, No}};
    default: return {};
    }
}

QString buttonCaption(int code, const Language &lang)
{
    switch (code) {
    case MsgButton::Ok: return QStringLiteral("OK");
    case MsgButton::Yes: return lang.text(QStringLiteral("Yes"));
    case MsgButton::No: return lang.text(QStringLiteral("No"));
    case MsgButton::Cancel: return lang.text(QStringLiteral("Cancel"));
    case MsgButton::Set: return lang.text(QStringLiteral("Set"));
    default: return QString();
    }
}

uint32_t messageColour(MsgColour role, const ColourTables &colours)
{
    switch (role) {
    case MsgColour::Action: return colours.general[Msg_Action];
    case MsgColour::Complete: return colours.general[Msg_Complite];
    case MsgColour::Warning: return colours.general[Msg_Warning];
    case MsgColour::Error: return colours.general[Msg_Error];
    case MsgColour::PureRed: break;
    }
    return 0xFFFF0000u;
}

MessageBarGeometry layoutMessageBar(int clientW, int clientH, const QString &text, bool countdown,
                                    bool buttons, const TextMeasure &measure)
{
    constexpr int Margin = 5;
    constexpr int CountdownH = 10;
    constexpr int ButtonRowH = 50;
    constexpr int MinLabelH = 80;

    MessageBarGeometry g;
    const int width = std::max(0, std::min(300, static_cast<int>(clientW * 0.8)));
    const int maxHeight = std::max(0, static_cast<int>(clientH * 0.8));
    const int labelW = std::max(0, width - 2 * Margin);

    int labelH = static_cast<int>(std::ceil(measure.wrappedHeight(text, MessageBar::FontSize, labelW)));
    g.fontSize = MessageBar::FontSize;
    if (labelH < MinLabelH) {
        labelH = MinLabelH;
        g.fontSize = labelFit(text, labelW, MinLabelH, MessageBar::FontSize, measure);
    }
    const int extras = (countdown ? CountdownH : 0) + (buttons ? ButtonRowH : 0);
    int height = labelH + 2 * Margin + extras;
    if (height > maxHeight) {
        // A client too low for the whole message keeps the countdown and buttons; the text gives way.
        height = maxHeight;
        labelH = std::max(0, height - 2 * Margin - extras);
    }

    g.outer = QRect((clientW - width) / 2, (clientH - height) / 2, width, height);
    g.label = QRect(Margin, Margin, labelW, labelH);
    int y = Margin + labelH;
    if (countdown) {
        g.countdown = QRect(Margin, y, labelW, CountdownH);
        y += CountdownH;
    }
    if (buttons)
        g.buttons = QRect(Margin, y, labelW, ButtonRowH);
    return g;
}

MessageBar::MessageBar(TimerHost &timers, Language &lang, const ColourTables &colours)
    : m_lang(lang), m_colours(colours), m_timer(timers, TickMs)
{
    m_timer.onTimer = [this] { tick(); };
}

MessageBar::~MessageBar() = default;

void MessageBar::show(bool translate, int kind, const QString &textOrKey, uint32_t colour)
{
    // The message shown so far goes first; its countdown never ends.
    m_timer.setEnabled(false);

    const MessageKindInfo info = messageKindInfo(kind);
    {
        Language::Session session(m_lang);
        m_text = translate ? m_lang.text(textOrKey) : textOrKey;
        m_buttons.clear();
        for (int code : info.buttons)
            m_buttons.push_back(Button{code, buttonCaption(code, m_lang)});
    }
    ++m_serial;
    m_visible = true;
    m_kind = kind;
    m_colour = colour;
    m_answered = false;
    m_countdownMax = info.countdownSteps;
    m_countdownValue = info.countdownSteps;
    if (m_countdownMax > 0)
        m_timer.setEnabled(true);
    changed();
}

void MessageBar::showMessage(int kind, const QString &key, MsgColour colour)
{
    show(true, kind, key, messageColour(colour, m_colours));
}

void MessageBar::tick()
{
    if (!m_visible)
        return;
    if (m_countdownValue != 0) {
        --m_countdownValue;
        changed();
        return;
    }
    m_timer.setEnabled(false);
    const int kind = m_kind;
    postClose();
    if (onCountdownEnded)
        onCountdownEnded(kind);
}

void MessageBar::press(int buttonCode)
{
    if (!m_visible || m_answered)
        return;
    const bool carried = std::any_of(m_buttons.begin(), m_buttons.end(),
                                     [buttonCode](const Button &b) { return b.code == buttonCode; });
    if (!carried)
        return;
    // Answered once: a second click before the bar has closed must not repeat the effect, and a
    // countdown that ran out now would act against the answer (Cancel on the connect message).
    m_answered = true;
    m_timer.setEnabled(false);
    const uint64_t serial = m_serial;
    const int kind = m_kind;
    if (onButton)
        onButton(buttonCode, kind);
    // The effect may already have shown the next message; that one is not this press's to close.
    if (m_serial != serial)
        return;
    postClose();
    changed();
}

void MessageBar::postClose()
{
    m_closeSerial = m_serial;
    if (postEvent)
        postEvent(CloseEvent, CloseDelayMs);
}

void MessageBar::closeFromEvent()
{
    if (m_closeSerial == 0 || m_closeSerial != m_serial)
        return;
    close();
}

void MessageBar::close()
{
    m_timer.setEnabled(false);
    m_closeSerial = 0;
    if (!m_visible && m_kind == 0)
        return;
    m_visible = false;
    m_kind = 0;
    m_text.clear();
    m_colour = 0;
    m_countdownMax = 0;
    m_countdownValue = 0;
    m_buttons.clear();
    m_answered = false;
    changed();
}

void MessageBar::changed()
{
    if (onChanged)
        onChanged();
}

} // namespace qn
