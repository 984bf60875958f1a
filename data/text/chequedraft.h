// A cheque as the user types it, before it is stored: the checks a save or a print makes, in
// the order the cheque window makes them, each with its message and the box it sends the
// user to; whether the words say another amount than the figures (the question asked before
// such a cheque is stored); and the amount in words that follows the figures as they are typed
// until the user writes words of their own. The cheque window and the imports both use it.
#pragma once

#include <QString>

#include <optional>

namespace dalil {

class ChequeDraft
{
public:
    // The boxes, as typed.
    struct Typed
    {
        QString day, month, year, payee, words, reason, dinars, fils;
    };
    // A box the user is sent to.
    enum class Box { Day, Payee, Dinars, Fils, Words };
    struct Problem
    {
        QString message;
        std::optional<Box> focus; // none: the focus stays where it is
    };

    // The first reason the cheque cannot be stored, or none.
    static std::optional<Problem> problem(const Typed &typed);
    // The words read as an amount other than the figures: the user is asked before it is stored.
    static bool wordsContradictFigures(const Typed &typed);
    static bool wordsContradictFigures(const QString &words, qint64 dinars, qint64 fils);
    // What is wrong, as an import reports it, and as the window asks it.
    static QString mismatch();
    static QString mismatchQuestion();

    // The figures as the user changed them, and the words the box holds: the words the box
    // should hold now (the words follow the figures while they are Dalil's own; the user's
    // own stay until both figures are emptied).
    QString figuresEdited(const QString &dinars, const QString &fils, const QString &words);
    // A stored cheque shown: its wording is the user's unless it is what Dalil would write.
    void shown(const QString &dinars, const QString &fils, const QString &words);

private:
    // The words Dalil last wrote; none while the box holds the user's own.
    std::optional<QString> m_wordsWritten;
    // Both figures were emptied: the user's words give way to the next figures typed.
    bool m_wordsReleased = false;
};

} // namespace dalil
