#pragma once

#include <QByteArray>

#include <initializer_list>

// Builds a file byte by byte, little-endian, one field a call.
struct Bytes
{
    QByteArray d;
    Bytes &u8(int v)
    {
        d.append(char(v));
        return *this;
    }
    Bytes &u8s(std::initializer_list<int> values)
    {
        for (int v : values)
            u8(v);
        return *this;
    }
    Bytes &u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
    Bytes &u32(quint32 v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    Bytes &raw(const QByteArray &b)
    {
        d.append(b);
        return *this;
    }
};
