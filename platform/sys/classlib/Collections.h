#pragma once

// The class library's collections in one include: value arrays and lists, the object-pointer
// array and list with their typed views, and the string and word collections.
#include "platform/sys/classlib/CArray.h"
#include "platform/sys/classlib/CDWordArray.h"
#include "platform/sys/classlib/CList.h"
#include "platform/sys/classlib/CObArray.h"
#include "platform/sys/classlib/CObList.h"
#include "platform/sys/classlib/CStringArray.h"
#include "platform/sys/classlib/CStringList.h"
#include "platform/sys/classlib/CTypedPtr.h"
