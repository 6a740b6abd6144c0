// SDL backend sources live in this folder.
