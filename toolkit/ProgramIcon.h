// The resource number of the program's icon, which every window of the
// program shows. The program's resource script includes this file too, so it
// holds nothing but the macro.
#pragma once

#define PROGRAM_ICON 1
