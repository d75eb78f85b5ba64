#pragma once

// The roles of the navigation tree's icons. The tree model answers them in
// its icon role; the window maps them to images (a schema node shows a
// second image while it is selected).
enum class TTreeIcon : int {
    Root = 0,
    TaxPayer = 1,
    Schema = 2,
    Awaiting = 3, // report with STATUS 1
    Declared = 4, // report with any other STATUS
};
