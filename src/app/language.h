#pragma once
// The window's language. Its texts are written in Chinese, the default;
// English comes from the translation compiled into the program
// (translations/scale-config_en.ts). Whatever the window shows, the logs
// stay Chinese: only shown texts are translated.

#include <QLocale>
#include <QString>

#include <optional>

enum class Language { Chinese, English };

// "zh" or "en", in any case; nullopt for anything else.
std::optional<Language> LanguageNamed(const QString& name);

// The language to show: the one given with --lang; else the one named by
// Language= in [SysSet]; else English for an English locale; else Chinese.
// A name that is neither "zh" nor "en" counts as not given.
Language ChooseLanguage(const std::optional<QString>& commandLine, const QString& setting,
                        const QLocale& locale);

// Installs the translations of `language`: for English the program's own
// and Qt's qtbase_en where installed; none for Chinese, the texts' own
// language, where Qt's standard buttons keep their usual captions. Replaces
// what an earlier call installed. Call it before
// the window is made: controls take their texts when they are made.
void UseLanguage(Language language);
