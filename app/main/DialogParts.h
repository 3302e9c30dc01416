// Small pieces shared by the program's little modal windows: making a
// named, parented control in one line, and fixing a window's client height.
#pragma once

#include <string>

class TComponent;
class TWinControl;
class TForm;
class TspSkinStdLabel;
class TspSkinButton;

TspSkinStdLabel* MakeDialogLabel(TComponent* owner, TWinControl* parent, const char* name, int x, int y, const std::string& caption);
TspSkinButton* MakeDialogButton(TComponent* owner, TWinControl* parent, const char* name, int x, int y, int w, int h,
                                const std::string& caption);
// The outer height that gives the form that client height.
void SetFormClientHeight(TForm* form, int height);

class TspSkinData;
// The skin the little windows take when they are made (the main window
// sets it to its own skin at start-up); none leaves their plain looks.
extern TspSkinData* DialogSkinData;
// Gives the form's skinned frame and every skinned control on it `data`.
void SetDialogSkinData(TForm* form, TspSkinData* data);
// As SetDialogSkinData, first giving the form a skinned frame when it has none.
void SkinProgramWindow(TForm* form, TspSkinData* data);
