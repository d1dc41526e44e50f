#pragma once

// Both typed views of the object-pointer collections.
#include "platform/sys/classlib/CTypedPtrArray.h"
#include "platform/sys/classlib/CTypedPtrList.h"
