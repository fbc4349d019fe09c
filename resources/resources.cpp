// The compiled-in pictures live in this library.
