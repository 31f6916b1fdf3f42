#pragma once

// The names of the summaries and analysis as the rest of the system knows them, and where each
// lives in this folder, so that a reader can search either way.
//
//   name                                         code
