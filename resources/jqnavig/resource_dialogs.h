#pragma once
// Copy/Move To, folder picker, DOS command line and Run.
