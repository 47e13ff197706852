#pragma once

struct CommandLine;

// --export OUT IN: IN (a .led or the program's own file, told apart by
// content) written as OUT by OUT's extension: .qanim or .led converts the
// animation, .gif, .png and .h export it. Returns the exit status; a failure
// says why in one line.
int exportFile(const CommandLine& line);
