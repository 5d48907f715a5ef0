#pragma once

namespace morvel {

class Windows;

// Makes every window of the program known to the hand-over by its name.
void addProgramWindows(Windows& windows);

}  // namespace morvel
