#include "EcuResponder.h"

namespace qn::sim {

EcuResponder::EcuResponder(EcuModel &model, uint32_t seed) : m_model(model), m_rng(seed) {}

uint8_t EcuResponder::checksum(const QByteArray &bytes)
{
    return qn::checksum(reinterpret_cast<const uint8_t *>(bytes.constData()), int(bytes.size()));
}

QByteArray EcuResponder::frame(uint8_t command, const QByteArray &payload)
{
    QByteArray f;
    f.reserve(payload.size() + 3);
    f.append(char(FrameStart));
    f.append(char(command));
    f.append(payload);
    f.append(char(checksum(f)));
    return f;
}

bool EcuResponder::known(uint8_t command)
{
    switch (command) {
    case Cmd::IdentityLength:
    case Cmd::Identity:
    case Cmd::FuelMode:
    case Cmd::LevelSensor:
    case Cmd::WriteEnable:
    case Cmd::LiveData:
    case Cmd::Configuration:
    case Cmd::CarNumber:
    case Cmd::ConfigWrite:
        return true;
    default:
        return false;
    }
}

void EcuResponder::setFaults(const FaultPlan &plan)
{
    m_faults = plan;
    if (m_faults.silentAfterLive == 0) {
        m_silent = true;
        m_faults.silentAfterLive = -1;
    }
    if (m_faults.hangupAfterLive == 0) {
        m_hangup = true;
        m_faults.hangupAfterLive = -1;
    }
}

double EcuResponder::chance() { return m_rng() / 4294967296.0; }

QByteArray EcuResponder::feed(const QByteArray &bytesFromTool)
{
    QByteArray out;
    for (const SimAnswer &a : feedFrames(bytesFromTool))
        out.append(a.bytes);
    return out;
}

std::vector<SimAnswer> EcuResponder::feedFrames(const QByteArray &bytesFromTool)
{
    std::vector<SimAnswer> answers;
    m_rx.append(bytesFromTool);
    for (;;) {
        // Resynchronise on the start byte.
        const qsizetype start = m_rx.indexOf(char(FrameStart));
        if (start < 0) {
            m_rx.clear();
            break;
        }
        m_rx.remove(0, start);
        if (m_rx.size() < 2)
            break;
        const uint8_t command = uint8_t(m_rx[1]);
        if (!known(command)) {
            m_rx.remove(0, 1);
            continue;
        }
        const int length = requestLength(command);
        if (m_rx.size() < length)
            break;
        const QByteArray request = m_rx.left(length);
        if (checksum(request.left(length - 1)) != uint8_t(request[length - 1])) {
            // Not a request after all: the start byte may have been noise.
            m_rx.remove(0, 1);
            continue;
        }
        m_rx.remove(0, length);

        // A silent or hung-up ECU hears nothing.
        if (m_silent || m_hangup)
            continue;
        QByteArray bytes = answer(request);
        if (m_faults.dropAnswers > 0) {
            --m_faults.dropAnswers;
            continue;
        }
        if (m_faults.corruptAnswers > 0) {
            --m_faults.corruptAnswers;
            bytes[bytes.size() - 1] = char(uint8_t(bytes[bytes.size() - 1]) + 1);
        }
        if (m_faults.noiseProbability > 0 && chance() < m_faults.noiseProbability) {
            QByteArray noise;
            const int n = 1 + int(m_rng() % 4);
            for (int i = 0; i < n; ++i)
                noise.append(char(m_rng() & 0xFF));
            bytes.prepend(noise);
        }
        const bool live = command == Cmd::LiveData;
        if (live) {
            ++m_liveAnswers;
            if (m_faults.silentAfterLive > 0 && --m_faults.silentAfterLive == 0) {
                m_silent = true;
                m_faults.silentAfterLive = -1;
            }
            if (m_faults.hangupAfterLive > 0 && --m_faults.hangupAfterLive == 0) {
                m_hangup = true;
                m_faults.hangupAfterLive = -1;
            }
        }
        answers.push_back(SimAnswer{bytes, length, live});
    }
    return answers;
}

QByteArray EcuResponder::answer(const QByteArray &request)
{
    const uint8_t command = uint8_t(request[1]);
    const uint8_t p1 = uint8_t(request[2]);
    const uint8_t p2 = uint8_t(request[3]);
    // A write enable holds for the request right after it only.
    const bool writeEnabled = m_writeEnabled;
    m_writeEnabled = false;

    switch (command) {
    case Cmd::IdentityLength: {
        QByteArray payload;
        payload.append(char(IdentityLength));
        payload.append('\0');
        return frame(command, payload);
    }
    case Cmd::Identity:
        return frame(command, m_model.identityPayload());
    case Cmd::FuelMode:
        m_model.requestFuelMode(p2);
        return frame(command);
    case Cmd::LevelSensor:
        m_model.levelSensorCommand(uint16_t(p1 << 8 | p2));
        return frame(command);
    case Cmd::WriteEnable:
        m_writeEnabled = p1 == 0x25 && p2 == 0x06;
        return frame(command);
    case Cmd::LiveData:
        return frame(command, m_model.livePayload());
    case Cmd::Configuration:
        return frame(command, m_model.configPayload());
    case Cmd::CarNumber:
        return frame(command, m_model.carNumber());
    case Cmd::ConfigWrite:
        if (writeEnabled)
            m_model.writeConfig(p1, p2, uint8_t(request[4]));
        else
            m_model.rejectWrite();
        return frame(command);
    default:
        return {};
    }
}

} // namespace qn::sim
