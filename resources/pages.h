// Control ids of the tab page templates.
#pragma once
#include "resource.h"
