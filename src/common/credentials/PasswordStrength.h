#pragma once

#include <QString>

// The quality score of a password before it is limited and scaled (may be negative).
int PasswordScore(const QString& Pwd);

// The quality of a password from 0 to 99; spaces are ignored.
int GetPasswordStrength(const QString& Pwd);
