#pragma once

// Owners of the window system's objects that the dialogs create: fonts and cursors. Each releases its object in its
// destructor, on every path.

#include <windows.h>

#include "common/win/scoped_win.h"

// A font made by CreateFontIndirectW, deleted with DeleteObject.
using CFont = CUniqueResource<CNullIsNoneTraits<HFONT, ::DeleteObject>>;

// A cursor of the caller's own (a copy made by CopyIcon), destroyed with DestroyCursor. A shared system cursor must
// never be put in here: those are not destroyed.
using CCursorHandle = CUniqueResource<CNullIsNoneTraits<HCURSOR, ::DestroyCursor>>;
