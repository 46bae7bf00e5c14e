#pragma once

#include <optional>

#include <QByteArray>
#include <QtGlobal>

// Sets (or, with nullopt, removes) an environment variable of the test process for one scope
// and gives it back its former value, or its absence, when the scope ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<QByteArray>& value) : fName(name)
    {
        if (qEnvironmentVariableIsSet(name))
            fOld = qgetenv(name);
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (fOld)
            qputenv(fName, *fOld);
        else
            qunsetenv(fName);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* fName;
    std::optional<QByteArray> fOld;
};
