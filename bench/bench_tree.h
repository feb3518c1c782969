#pragma once
#include <string>

// CopyKey, DeleteKey and GetKeySize of a tree of keys keys and values values, each beside
// the same walk done with bare registry calls; best of runs, ratio printed.
void MeasureTree(int keys, int values, int runs);
// Writes that tree below HKEY_CURRENT_USER\sub (replacing what was there): three levels,
// values of mixed types spread evenly over the keys.
bool BuildBenchTree(const std::string& sub, int keys, int values);
