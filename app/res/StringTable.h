#pragma once
// The application's string table: LoadString(id) gives the text of a string resource, "" for
// an id the table does not hold. The table is constant; any thread may read it.
#include <string>

std::string LoadString(int id);
