#pragma once

class ScriptedUi;
class TfrDesignerForm;

namespace officetest {
// Opens each of the designer's tools once in `designer` and writes a picture of each to the
// build folder; the tools' dialogs are answered through `ui`.
void OpenEveryTool(ScriptedUi& ui, TfrDesignerForm* designer);
}  // namespace officetest
