#include "admin/FieldValidators.h"

namespace strovik {

FieldTextValidator::FieldTextValidator(std::size_t maxBytes, QObject* parent)
    : QValidator(parent), maxBytes_(maxBytes) {}

QValidator::State FieldTextValidator::validate(QString& input, int&) const {
    if (input.contains(QLatin1Char('\n')) || input.contains(QLatin1Char('\r'))) return Invalid;
    return static_cast<std::size_t>(input.toUtf8().size()) <= maxBytes_ ? Acceptable : Invalid;
}

FieldNumberValidator::FieldNumberValidator(int maximum, QObject* parent)
    : QValidator(parent), maximum_(maximum) {}

QValidator::State FieldNumberValidator::validate(QString& input, int&) const {
    if (input.isEmpty()) return Acceptable;
    for (const QChar c : input)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return Invalid;
    bool ok = false;
    const qlonglong value = input.toLongLong(&ok);
    return ok && value <= maximum_ ? Acceptable : Invalid;
}

}  // namespace strovik
