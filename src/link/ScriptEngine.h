#pragma once
// What the tool asks the ECU, and in which order: a small program of integer words run by an
// interpreter until a word builds a request. The connect script reads the identity, car number and
// configuration; the poll script alternates identity and live data and, between them, runs the
// short script of one queued key (fuel-mode switches, configuration writes).

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace qn {

struct Config_Record;
struct EcuState;
struct LinkFrame;

// Up to 10 distinct key codes, first in first out.
class KeyQueue {
public:
    static constexpr int Capacity = 10;
    // A code already queued is not queued again; a full queue drops the new code.
    void push(uint8_t code);
    // The oldest code, or 0 when the queue is empty.
    uint8_t pop();
    int count() const { return m_count; }
    bool contains(uint8_t code) const;
    void clear() { m_count = 0; }

private:
    std::array<uint8_t, Capacity> m_codes{};
    int m_count = 0;
};

namespace Word {
constexpr int Jump = 0, RelativeJump = 1, CountedLoop = 2, CallScript = 3;
constexpr int KeyDispatch = 200;
} // namespace Word

class ScriptEngine {
public:
    static constexpr int Size = 200;
    // A run that executes this many words without building a request is a broken script: it is
    // reported and stopped instead of hanging the main thread.
    static constexpr int MaxWordsPerRun = 1000;

    struct Env {
        LinkFrame &frame;
        EcuState &ecu;
        Config_Record &config;
        // The request is complete (checksum written): the poll cycle sends it 60 ms later.
        std::function<void()> requestReady;
        // Word 20: the connect sequence has reached its end.
        std::function<void()> linkEstablished;
        // Word 45: post an event (code, delay in ms).
        std::function<void(int, int)> postEvent;
        // The one-time script error report (a message box in the window, a line in the monitor).
        std::function<void(const QString &)> reportError;
    };

    explicit ScriptEngine(Env env) : m_env(std::move(env)) {}

    // Executes words until a request has been built (or the script is found broken).
    void run();
    void loadConnectScript();
    // Loads a list of words at positions 1, 2, ... and sets the position.
    void load(const std::vector<int32_t> &words, int32_t position);
    // Loads a built-in script by number (0..4) with position 1; other numbers are a script error.
    void callScript(int32_t number);

    KeyQueue &keys() { return m_keys; }
    int32_t position() const { return m_position; }
    void setPosition(int32_t p) { m_position = p; }
    int32_t word(int index) const { return inBounds(index) ? m_script[index] : 0; }
    bool errorReported() const { return m_errorFlag; }

    // Shared with the configuration pages, which set them before queueing key 5 or 6.
    struct PreparedWrite {
        uint8_t address = 0, first = 0, second = 0;
    } prepared;
    uint8_t levelCommand = 0;

    static QString errorText(int32_t position, int32_t word);
    static const std::vector<int32_t> &connectScript();
    static const std::vector<int32_t> *builtInScript(int32_t number);
    static const std::vector<int32_t> *keyScript(uint8_t key);

private:
    static bool inBounds(int index) { return index >= 1 && index <= Size; }
    void execute(int32_t w);
    void command(int32_t w);
    bool condition(int32_t w);
    void scriptError(int32_t w);
    void buildRequest(uint8_t command, std::initializer_list<uint8_t> params, uint8_t answerLength);
    void fuelMode(uint8_t mode);

    Env m_env;
    std::array<int32_t, Size + 1> m_script{};
    int32_t m_position = 0;
    bool m_requestBuilt = false;
    bool m_errorFlag = false;
    KeyQueue m_keys;
};

} // namespace qn
