#pragma once
// minizip's zip and unzip interfaces with the Win32 file functions, so archive
// names go through CreateFileA. iowin32.h still spells its prototypes with the
// old OF() macro, which current zlib no longer defines.

#include <minizip/unzip.h>
#include <minizip/zip.h>

#ifndef OF
#define OF(args) args
#endif
#include <minizip/iowin32.h>
