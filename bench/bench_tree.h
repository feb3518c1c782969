#pragma once
// CopyKey, DeleteKey and GetKeySize of a tree of keys keys and values values, each beside
// the same walk done with bare registry calls; best of runs, ratio printed.
void MeasureTree(int keys, int values, int runs);
