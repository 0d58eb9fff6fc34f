#pragma once

// The whole class library in one include, for code that uses most of it.
#include "core/JTArrayList.h"
#include "core/JTBoolean.h"
#include "core/JTException.h"
#include "core/JTLog.h"
#include "core/JTObject.h"
#include "core/JTString.h"
#include "core/JTStringBuilder.h"
#include "core/JTWeakPtr.h"
