#include "link/ScriptEngine.h"

#include "config/Config_Record.h"
#include "link/EcuState.h"
#include "link/LinkFrame.h"

namespace qn {

// ---- KeyQueue ----

bool KeyQueue::contains(uint8_t code) const
{
    for (int i = 0; i < m_count; ++i)
        if (m_codes[i] == code)
            return true;
    return false;
}

void KeyQueue::push(uint8_t code)
{
    if (contains(code) || m_count >= Capacity)
        return;
    m_codes[m_count++] = code;
}

uint8_t KeyQueue::pop()
{
    if (m_count == 0)
        return 0;
    const uint8_t head = m_codes[0];
    for (int i = 1; i < m_count; ++i)
        m_codes[i - 1] = m_codes[i];
    --m_count;
    return head;
}

// ---- scripts ----

const std::vector<int32_t> &ScriptEngine::connectScript()
{
    // identity length, identity, car number, link established, configuration, then poll
    static const std::vector<int32_t> words{40, 41, 42, 20, 44, 3, 4};
    return words;
}

const std::vector<int32_t> *ScriptEngine::builtInScript(int32_t number)
{
    static const std::vector<int32_t> scripts[] = {
        {10, 3, 4},          // cycle the fuel mode, then poll
        {11, 3, 4},          // gas, then poll
        {12, 3, 4},          // petrol, then poll
        {13, 3, 4},          // mode 2, then poll
        {41, 43, 200, 0, 1}, // poll: identity, live data, key dispatch, back to word 1
    };
    if (number < 0 || number > 4)
        return nullptr;
    return &scripts[number];
}

const std::vector<int32_t> *ScriptEngine::keyScript(uint8_t key)
{
    static const std::vector<int32_t> scripts[] = {
        {10, 3, 4},     // 1: remote-control picture: next fuel mode
        {11, 3, 4},     // 2: gas button
        {12, 3, 4},     // 3: petrol button
        {13, 3, 4},     // 4: mode 2
        {21, 23, 3, 4}, // 5: write-enable, configuration write
        {22, 3, 4},     // 6: level-sensor command
        {44, 3, 4},     // 7: re-read the configuration
        // 8: enable the fuel consumption calculator in the ECU
        {201, 4, 53, 21, 23, 203, 4, 55, 21, 23, 41, 43, 202, 3, 54, 22, 45, 3, 4},
    };
    if (key < 1 || key > 8)
        return nullptr;
    return &scripts[key - 1];
}

QString ScriptEngine::errorText(int32_t position, int32_t word)
{
    return QStringLiteral("Error Script\n\rScript number : %1\n\rScript : %2").arg(position).arg(word);
}

void ScriptEngine::load(const std::vector<int32_t> &words, int32_t position)
{
    m_position = 0;
    int i = 1;
    for (int32_t w : words) {
        if (!inBounds(i))
            break;
        m_script[i++] = w;
    }
    m_position = position;
}

void ScriptEngine::loadConnectScript()
{
    load(connectScript(), 0);
}

void ScriptEngine::callScript(int32_t number)
{
    if (const auto *s = builtInScript(number))
        load(*s, 1);
    else
        scriptError(number);
}

void ScriptEngine::scriptError(int32_t w)
{
    if (m_errorFlag)
        return;
    m_errorFlag = true;
    if (m_env.reportError)
        m_env.reportError(errorText(m_position, w));
}

void ScriptEngine::run()
{
    m_requestBuilt = false;
    for (int executed = 0; !m_requestBuilt; ++executed) {
        // A script that wanders off its buffer or never reaches a request would hang the poll
        // cycle; stop it with the script error instead.
        if (executed >= MaxWordsPerRun || !inBounds(m_position + 1)) {
            scriptError(word(m_position + 1));
            break;
        }
        ++m_position;
        const int32_t w = m_script[m_position];
        switch (w) {
        case Word::Jump:
            m_position = word(m_position + 1);
            break;
        case Word::RelativeJump:
            m_position = m_position + word(m_position + 1);
            break;
        case Word::CountedLoop: {
            const int at = m_position;
            if (!inBounds(at + 3)) {
                m_position = -1; // caught by the bounds check below
                break;
            }
            int32_t &counter = m_script[at + 3];
            if (counter < m_script[at + 2]) {
                ++counter;
                m_position = at - m_script[at + 1];
            } else {
                counter = 0;
                m_position = at + 4;
            }
            break;
        }
        case Word::CallScript:
            ++m_position;
            callScript(word(m_position));
            break;
        default:
            break;
        }
        if (!inBounds(m_position)) {
            scriptError(w);
            break;
        }
        execute(m_script[m_position]);
    }
    m_requestBuilt = false;
}

void ScriptEngine::execute(int32_t v)
{
    if (v >= 10 && v <= 199) {
        command(v);
    } else if (v == Word::KeyDispatch) {
        if (const auto *s = keyScript(m_keys.pop())) {
            load(*s, 0);
        }
    } else if (v >= 201 && v <= 255) {
        const bool holds = condition(v);
        ++m_position; // on the skip count n
        if (!holds)
            m_position = m_position + word(m_position) - 1;
        m_requestBuilt = false;
    } else {
        scriptError(v);
    }
}

bool ScriptEngine::condition(int32_t w)
{
    switch (w) {
    case 201:
        return m_env.config.GLS_Type != 5;
    case 202:
        return m_env.ecu.swlState == 0x10 || m_env.ecu.swlState == 0x40;
    case 203:
        return !hasBits(m_env.config.Switch_byte_3, 0x40);
    default:
        scriptError(w);
        return true;
    }
}

void ScriptEngine::buildRequest(uint8_t cmd, std::initializer_list<uint8_t> params, uint8_t answerLength)
{
    m_env.frame.build(cmd, params, answerLength);
    m_requestBuilt = true;
    if (m_env.requestReady)
        m_env.requestReady();
}

void ScriptEngine::fuelMode(uint8_t mode) { buildRequest(Cmd::FuelMode, {0x00, mode}, 3); }

void ScriptEngine::command(int32_t w)
{
    EcuState &ecu = m_env.ecu;
    Config_Record &cfg = m_env.config;
    switch (w) {
    case 10:
        // The successor of the current mode: 1 -> 2 -> 4 -> 1. An unknown mode byte sends nothing,
        // rather than a mode value left over from an earlier request.
        switch (ecu.modeByte) {
        case 1: fuelMode(2); break;
        case 2: fuelMode(4); break;
        case 4: fuelMode(1); break;
        default: break;
        }
        break;
    case 11: fuelMode(4); break;
    case 12: fuelMode(1); break;
    case 13: fuelMode(2); break;
    case 20:
        if (m_env.linkEstablished)
            m_env.linkEstablished();
        break;
    case 21: buildRequest(Cmd::WriteEnable, {0x25, 0x06}, 3); break;
    case 22: buildRequest(Cmd::LevelSensor, {0x00, levelCommand}, 3); break;
    case 23: buildRequest(Cmd::ConfigWrite, {prepared.address, prepared.first, prepared.second}, 3); break;
    case 40: buildRequest(Cmd::IdentityLength, {0x21, 0x21}, 5); break;
    case 41: buildRequest(Cmd::Identity, {0x22, 0x22}, uint8_t(ecu.identityLength + 3)); break;
    case 42: buildRequest(Cmd::CarNumber, {0x08, 0x08}, 11); break;
    case 43: buildRequest(Cmd::LiveData, {0x26, 0x26}, uint8_t(ecu.liveLength + 3)); break;
    case 44: buildRequest(Cmd::Configuration, {0x27, 0x27}, uint8_t(ecu.configLength + 3)); break;
    case 45:
        if (m_env.postEvent)
            m_env.postEvent(14, 2000);
        break;
    case 53:
        ecu.swlState = 0;
        cfg.GLS_Type = 5;
        prepared = {93, 5, cfg.GLS_Options};
        break;
    case 54: levelCommand = 2; break;
    case 55:
        cfg.Switch_byte_3 |= 0x40;
        prepared = {68, cfg.Switch_byte_3, cfg.Switch_byte_4};
        break;
    default:
        scriptError(w);
        break;
    }
}

} // namespace qn
