; Drawing the picture: all of it after a change of stage or frame, then a part of it each
; frame, read again from the data.

; Draws the whole picture of the shown stage and frame with the picture off, then shows it
; from the next vertical blank on.
draw_all:
    lda #0
    sta PPUCTRL
    sta PPUMASK
    sta upload
    jsr find_stage
    ldx stage
    lda stage_tile_bank, x
    jsr select_bank
    lda tiles
    sta source
    lda tiles + 1
    sta source + 1
    bit PPUSTATUS
    lda #0
    sta PPUADDR
    sta PPUADDR
    ldx #>TILES_BYTES
    ldy #0
@tile_byte:
    lda (source), y
    sta PPUDATA
    iny
    bne @tile_byte
    inc source + 1
    dex
    bne @tile_byte

    ldx stage
    lda stage_data_bank, x
    jsr select_bank
    jsr build_palette
    lda #>PALETTE
    sta PPUADDR
    lda #<PALETTE
    sta PPUADDR
    ldx #0
@palette_entry:
    lda buffer_palette, x
    sta PPUDATA
    inx
    cpx #16
    bne @palette_entry

    lda #0
@names_row:
    pha
    jsr build_names
    lda buffer_names_at
    sta PPUADDR
    lda buffer_names_at + 1
    sta PPUADDR
    ldx #0
@name:
    lda buffer_names, x
    sta PPUDATA
    inx
    cpx #64
    bne @name
    pla
    clc
    adc #1
    cmp #FRAME_ROWS
    bne @names_row

    lda #0
@attributes_row:
    pha
    jsr build_attributes
    lda buffer_attributes_at
    sta PPUADDR
    lda buffer_attributes_at + 1
    sta PPUADDR
    ldx #0
@attribute_byte:
    lda buffer_attributes, x
    sta PPUDATA
    inx
    cpx #8
    bne @attribute_byte
    pla
    clc
    adc #1
    cmp #ATTRIBUTE_ROWS
    bne @attributes_row

    bit PPUSTATUS
@wait_blank:
    bit PPUSTATUS
    bpl @wait_blank
    jmp show_picture

; Reads the next part of what is shown into the buffer, for the next vertical blank.
prepare_refresh:
    ldx stage
    lda stage_tile_bank, x
    jsr select_bank
    lda next_chunk          ; chunk * 128: its high byte is chunk / 2
    lsr a
    sta buffer_tiles_at
    lda #0
    ror a
    sta buffer_tiles_at + 1
    clc
    adc tiles
    sta source
    lda buffer_tiles_at
    adc tiles + 1
    sta source + 1
    ldy #CHUNK_BYTES - 1
@tile_byte:
    lda (source), y
    sta buffer_tiles, y
    dey
    bpl @tile_byte

    ldx stage
    lda stage_data_bank, x
    jsr select_bank
    jsr build_palette
    lda next_row
    jsr build_names
    lda next_attribute_row
    jsr build_attributes

    lda next_chunk
    clc
    adc #1
    and #CHUNK_COUNT - 1
    sta next_chunk
    ldx next_row
    inx
    cpx #FRAME_ROWS
    bcc @row_kept
    ldx #0
@row_kept:
    stx next_row
    lda next_attribute_row
    clc
    adc #1
    and #ATTRIBUTE_ROWS - 1
    sta next_attribute_row
    lda #1
    sta upload
    rts

; Scroll at the top left of name table 0, and the background on.
show_picture:
    lda #CTRL_SHOW
    sta PPUCTRL
    lda #0
    sta PPUSCROLL
    sta PPUSCROLL
    lda #MASK_SHOW
    sta PPUMASK
    rts

; The vertical blank: writes the prepared buffer into the picture, unrolled to fit in the
; blank's time.
