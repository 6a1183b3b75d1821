// The host's services live in the static libraries that this shared library takes in whole.
