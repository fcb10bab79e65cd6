#pragma once

// What a broken or hostile line could deliver: messages of every kind with random payloads and
// lengths, noise between them, now and then a length that lies, cut into pieces of random size.

#include <QByteArray>
#include <QRandomGenerator>

#include <algorithm>
#include <functional>

class RandomStream
{
public:
    explicit RandomStream(quint32 seed) : m_rng(seed) {}

    // One message, sometimes with noise before it.
    QByteArray next()
    {
        QByteArray out;
        if (m_rng.bounded(8) == 0)
            for (int n = int(m_rng.bounded(6)); n > 0; --n)
                out.append(char(m_rng.bounded(256)));
        const int kind = int(m_rng.bounded(27));
        // Records and lists long enough to be whole now and then, short ones often.
        const int longest = kind == 4 || kind == 7 ? 700 : kind == 22 || kind == 5 ? 200 : 40;
        int length = int(m_rng.bounded(longest));
        QByteArray payload(length, '\0');
        for (auto& b : payload)
            b = char(m_rng.bounded(256));
        if (!payload.isEmpty() && m_rng.bounded(2)) // a valid record number now and then
            payload[0] = char(m_rng.bounded(48));
        if (m_rng.bounded(200) == 0) // a lying length
            length = int(m_rng.bounded(65536));
        out.append(char(0xA5)).append(char(kind));
        out.append(char(length & 0xFF)).append(char(length >> 8));
        return out + payload;
    }

    // Hands `bytes` to `deliver` in random pieces of 1 to 599 bytes.
    void deliverInPieces(QByteArray bytes, const std::function<void(const QByteArray&)>& deliver)
    {
        while (!bytes.isEmpty()) {
            const int n = std::min<int>(int(bytes.size()), int(m_rng.bounded(1, 600)));
            deliver(bytes.left(n));
            bytes.remove(0, n);
        }
    }

private:
    QRandomGenerator m_rng;
};
