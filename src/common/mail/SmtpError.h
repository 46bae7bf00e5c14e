#pragma once

#include <stdexcept>

#include <QString>

// A failure while composing or delivering a message; the text is shown to the user as it stands.
class ESmtpError : public std::runtime_error {
public:
    explicit ESmtpError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromStdString(what()); }
};
