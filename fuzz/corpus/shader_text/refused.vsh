vs.1.1
mov oPos, c[a0.x + 300]
foo r0
