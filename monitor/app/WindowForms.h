#pragma once
// Every monitor window class, for the window manager that makes and finds them.
#include "CataForm.h"
#include "CmdForm.h"
#include "CommForm.h"
#include "HistoryForms.h"
#include "SmallForms.h"
#include "StatForm.h"
#include "TextMonitorForm.h"
#include "ValueForms.h"
