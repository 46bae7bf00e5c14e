#include "starter/ConsolePrompt.h"

#include "common/infra/Translate.h"

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

bool HasTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

std::optional<QString> ConsolePassword(const QString& prompt)
{
    if (!HasTerminal())
        return std::nullopt;
    QString text = prompt;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n%s: ", qPrintable(text), qPrintable(TrDialogs("Password")));
    std::fflush(stderr);
    termios saved{};
    const bool canHide = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (canHide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    bool ended = true;
    for (int c; (c = std::fgetc(stdin)) != EOF;) {
        if (c == '\n') {
            ended = false;
            break;
        }
        line.push_back(char(c));
    }
    if (canHide)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fputc('\n', stderr);
    if (ended && line.empty())
        return std::nullopt;
    const QString password = QString::fromLocal8Bit(line);
    std::fill(line.begin(), line.end(), '\0');
    return password;
}
