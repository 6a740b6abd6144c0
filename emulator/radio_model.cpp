// The emulated radio's model lives in this folder.
