#pragma once
// Puts the test environment in place before anything else runs.
void dtuPrepareTestEnv();
