#pragma once

#include <QValidator>

#include <cstddef>

namespace strovik {

// Accepts no more UTF-8 bytes than a fixed-width record field holds, and no line breaks: what the
// operator types is then what the record and the device list file keep.
class FieldTextValidator final : public QValidator {
public:
    FieldTextValidator(std::size_t maxBytes, QObject* parent);
    State validate(QString& input, int& position) const override;

private:
    std::size_t maxBytes_;
};

// Digits only, at most maximum; empty is acceptable (the editor then takes its default).
class FieldNumberValidator final : public QValidator {
public:
    FieldNumberValidator(int maximum, QObject* parent);
    State validate(QString& input, int& position) const override;

private:
    int maximum_;
};

}  // namespace strovik
