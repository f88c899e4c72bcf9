// The versions save_loop.exe writes, shared with the tests that check them.
#pragma once
#include "schedules/schedule_store.h"

ScheduleList ScheduleVersion(int version);
