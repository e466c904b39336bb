#include "link/LinkFrame.h"

namespace qn {

uint8_t checksum(const uint8_t *bytes, int n)
{
    uint8_t sum = 0;
    for (int i = 0; i < n; ++i)
        sum = uint8_t(sum + bytes[i]);
    return sum;
}

void LinkFrame::build(uint8_t command, std::initializer_list<uint8_t> params, uint8_t answerLength)
{
    request[1] = FrameStart;
    request[2] = command;
    int i = 3;
    for (uint8_t p : params)
        request[i++] = p;
    length = uint8_t(i);
    expected = answerLength;
    finish();
}

void LinkFrame::finish()
{
    request[length] = 0;
    request[length] = checksum(&request[1], length - 1);
}

QByteArray LinkFrame::requestBytes() const
{
    return QByteArray(reinterpret_cast<const char *>(&request[1]), length);
}

void LinkFrame::markSent()
{
    for (int i = 1; i <= length && i < int(lastSent.size()); ++i)
        lastSent[i] = request[i];
    rxCount = 0;
}

void LinkFrame::append(const uint8_t *data, int n, bool bluetoothFilter)
{
    for (int i = 0; i < n; ++i) {
        if (bluetoothFilter && rxCount == 0 && data[i] == 0x0F)
            continue;
        if (rxCount >= MaxStoredBytes)
            return;
        rx[++rxCount] = data[i];
    }
}

bool LinkFrame::validate() const
{
    const int a = expected;
    if (a < 3 || rxCount < a)
        return false;
    return rx[1] == lastSent[1] && rx[2] == lastSent[2] && rx[a] == checksum(&rx[1], a - 1);
}

} // namespace qn
