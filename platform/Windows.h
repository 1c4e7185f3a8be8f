// All Windows services of the platform layer.
#pragma once

#include "platform/CodePage.h"
#include "platform/File.h"
#include "platform/Kernel.h"
#include "platform/MessageLoop.h"
#include "platform/Module.h"
#include "platform/Path.h"
#include "platform/Process.h"
#include "platform/Resource.h"
#include "platform/WinTypes.h"
#include "platform/Window.h"
#include "platform/Winsock.h"
