#pragma once

// Both typed views of the object-pointer collections.
#include "sys/classlib/CTypedPtrArray.h"
#include "sys/classlib/CTypedPtrList.h"
