vs.1.1
dcl_position v0
dcl_normal v3
def c95, 765.01, 1.0, 0.0, -0.5
mul r1, v2.zyxw, c95.xxxx
mov a0.x, r1.x
m4x3 r0.xyz, v0, c[a0.x + 9]
m4x4 oPos, r0, c0 ; comment
/* block */ mov oT0.xy, v7
