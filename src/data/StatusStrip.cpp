#include "data/StatusStrip.h"

#include "config/Config_Record.h"
#include "ui/Language.h"
#include "ui/STS_Record.h"

#include <utility>

namespace qn {

StatusStrip::StatusStrip(Deps deps) : m_deps(std::move(deps)), m_timer(m_deps.timers, RotationMs)
{
    m_timer.onTimer = [this] { rotationTick(); };
}

QString StatusStrip::tr(const char *key) const
{
    return m_deps.language.text(QString::fromLatin1(key));
}

QString StatusStrip::entryText(int i) const
{
    return i >= 1 && i <= m_count ? m_entries[static_cast<size_t>(i)].text : QString();
}

uint32_t StatusStrip::entryColour(int i) const
{
    return i >= 1 && i <= m_count ? m_entries[static_cast<size_t>(i)].colour : 0;
}

int StatusStrip::find(const QString &text) const
{
    for (int i = 1; i <= m_count; ++i)
        if (m_entries[static_cast<size_t>(i)].text == text)
            return i;
    return 0;
}

void StatusStrip::createTimer()
{
    m_timer.setEnabled(false);
    m_timer.setInterval(RotationMs);
    m_timerTag = TagRotation;
    m_timerExists = true;
}

void StatusStrip::freeTimer()
{
    m_timer.setEnabled(false);
    m_timerExists = false;
    m_timerTag = TagRotation;
}

void StatusStrip::startTimedLine(int ms)
{
    if (!m_timerExists)
        createTimer();
    m_timer.setEnabled(false);
    m_timer.setInterval(ms);
    m_timerTag = TagTimedLine;
    m_timer.setEnabled(true);
}

void StatusStrip::notify()
{
    if (m_view == m_notified)
        return;
    m_notified = m_view;
    if (onChanged)
        onChanged(m_view);
}

bool StatusStrip::mayShow() const
{
    if (!m_timerExists)
        return true;
    if (m_timerTag == TagTimedLine)
        return false;
    return !editorActive;
}

void StatusStrip::showOnce(const QString &text, uint32_t colour)
{
    if (mayShow()) {
        if (!m_view.visible) {
            m_view = View{};
            m_view.visible = true;
        }
        if (!m_timerExists)
            createTimer();
        m_view.colour = colour;
        if (m_view.text != text)
            m_view.text = text;
        m_timer.setEnabled(true);
    }
    notify();
}

void StatusStrip::add(const QString &text, uint32_t colour)
{
    if (find(text) != 0)
        return;
    // Bits alone never list more than seven texts, but a language change between an add and its
    // remove leaves the old text behind; a full list takes no more.
    if (m_count >= Capacity)
        return;
    if (mayShow())
        freeTimer();
    ++m_count;
    m_entries[static_cast<size_t>(m_count)] = Entry{colour, text};
    showOnce(text, colour);
}

void StatusStrip::remove(const QString &text)
{
    if (mayShow())
        freeTimer();
    const int at = find(text);
    if (at != 0) {
        for (int i = at; i < m_count; ++i)
            m_entries[static_cast<size_t>(i)] = m_entries[static_cast<size_t>(i + 1)];
        m_entries[static_cast<size_t>(m_count)] = Entry{};
        --m_count;
    }
    rotationTick();
}

void StatusStrip::rotationTick()
{
    // Whether the rotation moves on, a timed line has run out or the editor held the strip, the
    // timer goes first; without it the strip may show again.
    freeTimer();
    if (m_count == 0) {
        clear();
        return;
    }
    m_shown = m_shown >= m_count ? 1 : m_shown + 1;
    const Entry &e = m_entries[static_cast<size_t>(m_shown)];
    showOnce(e.text, e.colour);
}

void StatusStrip::processStatus(uint8_t statusByte)
{
    if (m_deps.connected && !m_deps.connected())
        return;
    const uint8_t changed = statusByte ^ m_old;
    if (changed == 0)
        return;
    const Language::Session session(m_deps.language);
    const auto &general = m_deps.colours.general;
    const uint32_t action = general[Msg_Action];
    const uint32_t complete = general[Msg_Complite];
    const uint32_t warning = general[Msg_Warning];
    const auto isSet = [statusByte](uint8_t bit) { return (statusByte & bit) != 0; };

    if (changed & 0x01) {
        if (isSet(0x01)) {
            remove(tr("IND_Engine_off"));
            showOnce(tr("IND_Engine_on"), complete);
        } else {
            add(tr("IND_Engine_off"), warning);
        }
    }
    if (changed & 0x02) {
        if (isSet(0x02)) {
            remove(tr("IND_Low_pressure"));
            showOnce(tr("IND_Normal_pressure"), complete);
        } else {
            add(tr("IND_Low_pressure"), warning);
        }
    }
    if (changed & 0x04) {
        if (isSet(0x04))
            add(tr("IND_Not_Save_Data"), warning);
        else
            remove(tr("IND_Not_Save_Data"));
    }
    if ((changed & 0x08) && isSet(0x08))
        showOnce(tr("IND_Save_Data"), complete);
    struct Held {
        uint8_t bit;
        const char *key;
    };
    for (const Held &h : {Held{0x10, "IND_Preheating"}, Held{0x20, "IND_Cruise"},
                          Held{0x40, "IND_Cut_Off"}}) {
        if (!(changed & h.bit))
            continue;
        if (isSet(h.bit))
            add(tr(h.key), action);
        else
            remove(tr(h.key));
    }
    m_old = statusByte;
    notify();
}

void StatusStrip::showIdentity()
{
    if (m_deps.connected && m_deps.connected())
        return;
    const Config_Record &c = m_deps.config;
    clear();
    QString line = c.ECU_Name + QStringLiteral(" [") + c.ECU_Version + QStringLiteral("] [") +
                   c.ECU_Date + QStringLiteral("]");
    showOnce(line, m_deps.settings.FNT_Color);
    if (!c.CAR_Numder.isEmpty()) {
        line += QStringLiteral("  ") + tr("File_Name") + QStringLiteral(" [") + c.CAR_Numder +
                QStringLiteral("]");
        m_view.text = line;
        m_view.height = TallStripHeight;
    }
    startTimedLine(IdentityMs);
    notify();
}

void StatusStrip::linkStopped()
{
    clear();
    if (m_deps.running && m_deps.running()) {
        showOnce(tr("Not_Connect"), m_deps.colours.general[Msg_Warning]);
        startTimedLine(NotConnectedMs);
    }
    notify();
}

void StatusStrip::clear()
{
    m_count = 0;
    m_shown = 0;
    for (Entry &e : m_entries)
        e = Entry{};
    freeTimer();
    m_view = View{};
    notify();
}

} // namespace qn
