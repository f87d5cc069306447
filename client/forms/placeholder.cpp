// forms
