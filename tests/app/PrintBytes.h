#pragma once
#include "support/QtPrint.h"
