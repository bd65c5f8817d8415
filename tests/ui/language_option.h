#pragma once
// A widget test run in the language the program shows for "--lang zh|en":
// the option is taken out of the arguments before Qt Test reads them. Without
// it the test runs as QTEST_MAIN would, no translation installed.

#include <QApplication>
#include <QTest>

#include <cstring>
#include <optional>
#include <vector>

#include "app/language.h"

template <typename Test> int RunInChosenLanguage(int argc, char** argv)
{
    std::optional<QString> language;
    std::vector<char*> arguments;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--lang") == 0 && i + 1 < argc)
            language = QString::fromLocal8Bit(argv[++i]);
        else
            arguments.push_back(argv[i]);
    }
    int count = static_cast<int>(arguments.size());
    arguments.push_back(nullptr);
    QApplication app(count, arguments.data());
    app.setAttribute(Qt::AA_Use96Dpi, true); // as QTEST_MAIN does
    if (language)
        UseLanguage(ChooseLanguage(language, QString(), QLocale::c()));
    Test test;
    return QTest::qExec(&test, count, arguments.data());
}
