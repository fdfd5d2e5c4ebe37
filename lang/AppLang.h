#pragma once
// The program's one language table, its built-in catalogue and the shared lookup.
#include "lang/Baselang.h"

#include <QByteArray>
#include <QString>

// Rows of the catalogue that a newly written language file holds.
inline constexpr qsizetype kCatalogueRows = 140;

// Name of the language file in the program's directory.
inline constexpr const char *kLangFileName = "R52xLang.txt";

extern TLangList *LangList;

// The text of a key in the current language; the key itself when it has no row
// or when the table does not exist.
QByteArray LangText(const QByteArray &key);

// LangText decoded for a widget.
QString LangTextU(const QByteArray &key);

// Registers the built-in rows on LangList (no-op without it).
void RegisterTexts();

// Creates LangList, registers the catalogue and loads dir/R52xLang.txt.
// On WriteFailed the caller may report info_LangFileError; the built-in rows serve.
TLangFileState InitLanguage(const QString &dir);

// Path of the language file in a directory.
QString LangFilePath(const QString &dir);

void FreeLanguage();
