// The UNO headers the extension uses (generated into the build tree by
// cppumaker for calc/uno_types.txt) and the host's helpers around them.
#pragma once

#include <com/sun/star/awt/XWindowPeer.hpp>
#include <com/sun/star/frame/XFrame.hpp>
#include <com/sun/star/task/XStatusIndicator.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>

#include "host/calc/internal/uno.h"
