#pragma once
// The two looks of a table: rows running edge to edge (plain) or in separated sections
// (grouped). A plain value.

enum class UITableViewStyle : long {
    Plain = 0,
    Grouped = 1,
};
