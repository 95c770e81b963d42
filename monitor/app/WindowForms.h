#pragma once
// Every monitor window class, for the window manager that makes and finds them.
#include "monitor/app/CataForm.h"
#include "monitor/app/CmdForm.h"
#include "monitor/app/CommForm.h"
#include "monitor/app/HistoryForms.h"
#include "monitor/app/SmallForms.h"
#include "monitor/app/StatForm.h"
#include "monitor/app/TextMonitorForm.h"
#include "monitor/app/ValueForms.h"
