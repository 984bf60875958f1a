#include "chequedraft.h"

#include "amountwords.h"
#include "chequeamount.h"
#include "dates.h"

namespace dalil {

namespace {

// A figure as the words read it: an empty box is 0; nothing unless a whole number that fits.
std::optional<qint64> figure(const QString &text)
{
    const QString latin = toLatinDigits(text);
    if (latin.isEmpty())
        return 0;
    return ChequeAmount::valueOf(latin);
}

} // namespace

std::optional<ChequeDraft::Problem> ChequeDraft::problem(const Typed &typed)
{
    const QString date = QStringLiteral("الرجاء إدخال التاريخ بدقة");
    if (typed.day.isEmpty() || typed.year.isEmpty() || typed.month.isEmpty())
        return Problem{date, Box::Day};
    // No lower bound for day and month, no upper bound for the year; the focus stays.
    if (Dates::chequeDateRefused(typed.day, typed.month, typed.year))
        return Problem{date, std::nullopt};
    if (typed.payee.isEmpty())
        return Problem{QStringLiteral("الرجاء إدخال الإسم"), Box::Payee};
    if (typed.fils.isEmpty() || typed.dinars.isEmpty())
        return Problem{QStringLiteral("الرجاء إدخال قيمة المبلغ"), Box::Fils};
    // Dinars and fils are stored as typed, so they must be whole numbers already: the
    // database would refuse letters and quietly turn "1.0" or "+5" into another text.
    for (const auto &[text, box] : {std::pair{&typed.dinars, Box::Dinars}, std::pair{&typed.fils, Box::Fils}}) {
        if (const auto fault = ChequeAmount::faultOf(*text); fault != ChequeAmount::Fault::None)
            return Problem{ChequeAmount::message(fault), box};
    }
    return std::nullopt;
}

bool ChequeDraft::wordsContradictFigures(const Typed &typed)
{
    return wordsContradictFigures(typed.words, typed.dinars.toLongLong(), typed.fils.toLongLong());
}

bool ChequeDraft::wordsContradictFigures(const QString &words, qint64 dinars, qint64 fils)
{
    return wordsContradict(words, dinars, fils);
}

QString ChequeDraft::mismatch()
{
    return QStringLiteral("المبلغ بالحروف لا يطابق المبلغ بالأرقام");
}

QString ChequeDraft::mismatchQuestion()
{
    return mismatch() + QStringLiteral(". هل تريد الحفظ؟");
}

QString ChequeDraft::figuresEdited(const QString &dinarsText, const QString &filsText, const QString &words)
{
    const std::optional<qint64> dinars = figure(dinarsText);
    const std::optional<qint64> fils = figure(filsText);
    const bool wordsAreOurs = words.isEmpty() || words == m_wordsWritten;
    if (!dinars || !fils) {
        // Figures that are no amount have no words: ours would name an amount no longer there.
        if (!wordsAreOurs)
            return words;
        m_wordsWritten = QString();
        return {};
    }
    if (dinarsText.isEmpty() && filsText.isEmpty()) {
        // Words of figures no longer there go with them; the user's own stay in sight.
        if (!wordsAreOurs) {
            m_wordsReleased = true;
            return words;
        }
        m_wordsWritten = QString();
        return {};
    }
    if (!wordsAreOurs && !m_wordsReleased)
        return words;
    m_wordsWritten = amountInWords(*dinars, *fils);
    m_wordsReleased = false;
    return *m_wordsWritten;
}

void ChequeDraft::shown(const QString &dinarsText, const QString &filsText, const QString &words)
{
    const std::optional<qint64> dinars = figure(dinarsText);
    const std::optional<qint64> fils = figure(filsText);
    const bool ours = dinars && fils && words == amountInWords(*dinars, *fils);
    m_wordsWritten = ours ? std::optional<QString>(words) : std::nullopt;
    m_wordsReleased = false;
}

} // namespace dalil
