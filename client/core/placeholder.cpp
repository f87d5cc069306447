// core
