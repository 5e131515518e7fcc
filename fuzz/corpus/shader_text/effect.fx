float4x4 mWorld;
technique Skin1 < string name = "a"; > {
  pass P0 { VertexShader = compile vs_1_1 VShade(1); }
}
