// Tables of the dialog templates live in one file per dialog (dialog_NNN.cpp).
