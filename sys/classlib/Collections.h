#pragma once

// The class library's collections in one include: value arrays and lists, the object-pointer
// array and list with their typed views, and the string and word collections.
#include "sys/classlib/CArray.h"
#include "sys/classlib/CDWordArray.h"
#include "sys/classlib/CList.h"
#include "sys/classlib/CObArray.h"
#include "sys/classlib/CObList.h"
#include "sys/classlib/CStringArray.h"
#include "sys/classlib/CStringList.h"
#include "sys/classlib/CTypedPtr.h"
