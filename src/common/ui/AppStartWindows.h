#pragma once

#include "common/ui/AppStart.h"

// The windows both programs share: the application, the message boxes and the dialogs.
class TAppStartWindows : public TWindowModule {
public:
    std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv) override;
    bool ShowsWindows() const override;
    std::unique_ptr<Reporter> CreateReporter() override;
    std::optional<QString> InputPassword(const QString& title, const QString& prompt) override;
    int SelectAction(const QString& caption, const QStringList& buttons,
                     const QString& option) override;
};
