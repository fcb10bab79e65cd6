#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One unit recognised in the bytes the program sends.
struct Command
{
    enum class Type
    {
        Hello,     // A5 01
        SlowHello, // 55 25 05, the hello at 1200 bit/s
        Request,   // A5 code operands...
        Garbage,   // bytes that start no command
        Bad,       // A5 followed by a code the console does not know
    };
    Type type = Type::Garbage;
    quint8 code = 0;
    QByteArray operands;
    QByteArray raw;  // every byte the unit consumed
    QString problem; // set when a command was accepted in spite of a fault

    // One readable line, e.g. "A5 04 FF  request all fixtures".
    QString describe() const;
};

// A resumable parser of the program's commands: bytes may arrive in any pieces, and junk
// between commands is reported as garbage without losing the next command. A channel value
// command (A5 08 f c v) is followed by one 00 byte when v is A5.
class CommandParser
{
public:
    QList<Command> feed(const QByteArray& bytes);
    void reset();

    // Operand count of a command code, or -1 for a code the console does not know.
    static int operandCount(quint8 code);

private:
    enum class State
    {
        Hunt,
        Code,
        Operands,
        Stuffed,
        SlowHello
    };
    void take(char byte, QList<Command>& out);
    void flushGarbage(QList<Command>& out);
    void emitCurrent(QList<Command>& out);

    State m_state = State::Hunt;
    Command m_current;
    int m_needed = 0;
    QByteArray m_garbage;
};
