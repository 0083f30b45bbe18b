// the dialog driver and message box recorder
