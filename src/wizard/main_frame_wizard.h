// The wizard as the main window sees it: the sheet the window holds, the
// message boxes it asks its question through, and the help it opens. The
// one who makes the main window (the program's start-up, a test) gives it
// the wizard's context by this.
#pragma once

namespace qm {

class CWizardSheet;
class Prompter;

class IMainFrameWizard {
public:
  virtual ~IMainFrameWizard() = default;
  // The sheet, made on first call; it outlives the main window.
  virtual CWizardSheet& sheet() = 0;
  virtual Prompter& prompter() = 0;
  // Opens a help topic; nothing when the program has no help.
  virtual void OpenHelp(int topic) = 0;
};

} // namespace qm
