hello world
