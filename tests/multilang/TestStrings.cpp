// A string library: a module that holds nothing but a string table.
