namespace tavo { int transcriptPlaceholder() { return 0; } }
