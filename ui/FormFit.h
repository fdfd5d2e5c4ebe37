#pragma once
// Keeps the parameter pages inside their fixed-width panel in every language: lists take the
// width the layout gives them instead of the width of their longest item, and drop down as wide
// as their items need.
class QWidget;

void FitFormToPanel(QWidget *form);

// Command buttons keep their set width, or grow to show their whole caption (large fonts, long texts).
void FitButtonsToText(QWidget *form);
