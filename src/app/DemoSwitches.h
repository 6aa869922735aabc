#pragma once

namespace strovik {

class TStrovikForm;

// Demos and screenshots: environment switches that, shortly after the window shows, do what the
// operator would do first (README, "Environment"). Without them the program starts as usual.
void ApplyDemoSwitches(TStrovikForm* form);

}  // namespace strovik
