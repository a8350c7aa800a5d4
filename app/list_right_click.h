// A right click on a line of the job list selects that line before the popup menu opens, as in
// every list of the system, so that the popup's command acts on the line the user pointed at.
#pragma once

// Starts selecting on right clicks; calling it again changes nothing.
void SelectLinesOnRightClick();
