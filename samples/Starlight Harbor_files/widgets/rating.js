function rating() {}
