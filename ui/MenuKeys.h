#pragma once
// Keyboard access: menu captions get a mnemonic letter in every language (the catalogue texts
// carry none), and the window's controls are chained for Tab in reading order.
#include <QString>

class TFrm_Main;

// The caption with an accelerator: kept as it is when it has one, else the first of the
// preferred letters found in it is marked, else the first letter is added in brackets ("文件(&F)").
QString WithMnemonic(const QString &caption, const char *letters);

void ApplyMenuMnemonics(TFrm_Main &w);
void ChainTabOrder(TFrm_Main &w);
