# The warnings our own code is built with, each of them an error: the
# program's trees and the fuzz targets alike.
set(vellumor_warnings -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion -Werror)
