namespace tavo { int alignPlaceholder() { return 0; } }
